#pragma once
// Which operating-system device a serial port number 1..35 stands for.

#include <QString>
#include <QStringList>

namespace ksr {

// Port n is the n-th entry of `portsVariable` (KSR704_PORTS: device paths
// and tcp://HOST:PORT ports, separated by ':' or, on Windows, ';') when it
// is set; otherwise COMn on Windows and the n-th of `systemPorts` (sorted by
// device path) elsewhere.
// An empty result means the number stands for no port.
QString PortDevicePath(int number, const QString &portsVariable, bool portsVariableSet,
                       const QStringList &systemPorts);

// PortDevicePath with the environment and the ports the system lists.
QString SystemPortDevicePath(int number);

} // namespace ksr
