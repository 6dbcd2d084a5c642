#pragma once
// The serial port seam on a serial device through QSerialPort: 4800 baud,
// 8 data bits, no parity, 1 stop bit, no flow control, raw bytes.

#include "link/BufferedPort.h"

#include <QSerialPort>

namespace ksr {

class SerialDevicePort final : public BufferedPort {
public:
    // `pathForNumber` maps a port number to a device path (empty: no port).
    SerialDevicePort(Clock &clock, std::function<QString(int)> pathForNumber);

    bool IsOpen() const override { return serial_.isOpen(); }
    QString PortInUse() const override { return inUse_; }

private:
    bool OpenDevice(const QString &path) override;
    void CloseDevice() override;
    void ClearReceived() override;
    // QSerialPort 6.4 reports a read or resource error over and over, with
    // the port still open: such an error closes it; a time-out does not.
    void CloseOnFatalError() override;

    QSerialPort serial_;
    QString inUse_;
};

} // namespace ksr
