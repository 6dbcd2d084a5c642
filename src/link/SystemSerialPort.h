#pragma once
// The serial port seam on the system's ports: each port number stands for a
// serial device (SerialDevicePort) or, as tcp://HOST:PORT, a serial device
// server (DeviceServerPort); opening a number picks the one its path names.

#include "link/DeviceServerPort.h"
#include "link/SerialDevicePort.h"

#include <functional>

namespace ksr {

class SystemSerialPort final : public SerialPort {
public:
    // `pathForNumber` maps a port number to a device path or a tcp:// port
    // (empty: no port).
    SystemSerialPort(Clock &clock, std::function<QString(int)> pathForNumber);

    bool Open(int number) override;
    bool StartOpen(int number) override;
    bool OpenPending() override { return current_->OpenPending(); }
    void Close() override { current_->Close(); }
    bool IsOpen() const override { return current_->IsOpen(); }
    bool SetReceiveSize(int bytes) override { return current_->SetReceiveSize(bytes); }
    bool Write(const QByteArray &bytes) override { return current_->Write(bytes); }
    int BytesWaiting() override { return current_->BytesWaiting(); }
    QByteArray Read(int count) override { return current_->Read(count); }
    void DiscardInput() override { current_->DiscardInput(); }
    QByteArray DiscardUntil(double t) override { return current_->DiscardUntil(t); }
    // Each transport's count only grows, and so does their sum.
    qint64 BytesArrived() const override { return serial_.BytesArrived() + server_.BytesArrived(); }
    bool WaitForBytes(int count, double deadline) override { return current_->WaitForBytes(count, deadline); }
    double LineByteSeconds() const override { return current_->LineByteSeconds(); }
    void SetArrivalHandler(std::function<void()> handler) override;
    void SetFailureHandler(std::function<void()> handler) override;
    QString PortInUse() const override { return current_->PortInUse(); }

private:
    // Closes the transport open and makes the one `number`'s path names
    // current; returns the receive size set last.
    int PickTransport(int number);

    std::function<QString(int)> pathForNumber_;
    SerialDevicePort serial_;
    DeviceServerPort server_;
    // The transport of the path opened last.
    BufferedPort *current_ = &serial_;
};

} // namespace ksr
