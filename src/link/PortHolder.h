#pragma once
// Who holds a serial device that would not open: another program's lock
// file (the one QSerialPort and other programs keep in the system's lock
// folder), or, on Linux, the processes that have the device open.

#include <QString>

namespace ksr {

// The device path QSerialPort opens for `path`: the device a symbolic link
// leads to, so that every name of one device shares one lock file; `path`
// itself when it is no link (a bare name, a port of Windows).
QString SerialDeviceTarget(const QString &path);
// "in use by another program", with the holder where the system tells it
// ("in use by another program (ksr704-remote, process 4242)"), for a device
// `path` that would not open for want of permission although we may read and
// write it; empty when the device is simply not ours to open.
QString PortInUseNote(const QString &path);

} // namespace ksr
