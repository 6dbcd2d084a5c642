#pragma once
// The serial port seam on a real port: a serial device through QSerialPort
// (4800 baud, 8 data bits, no parity, 1 stop bit, no flow control, raw
// bytes), or a serial device server's raw TCP connection, tcp://HOST:PORT,
// whose line settings are the server's own.

#include "core/Clock.h"
#include "core/SerialPort.h"
#include "core/Frames.h"

#include <QEventLoop>
#include <QSerialPort>
#include <QTcpSocket>
#include <QTimer>

#include <functional>

namespace ksr {

class SystemSerialPort final : public SerialPort {
public:
    // A connection to a device server that has not answered after this
    // long cannot be opened.
    static constexpr int ConnectTimeoutMs = 3000;
    // Qt holds at most this much of what the line sends; a line that floods
    // waits in the system's own bounded buffers.
    static constexpr qint64 ReadChunkBytes = 4096;

    // `pathForNumber` maps a port number to a device path or a tcp:// port
    // (empty: no port).
    SystemSerialPort(Clock &clock, std::function<QString(int)> pathForNumber);

    bool Open(int number) override;
    void Close() override;
    bool IsOpen() const override;
    bool SetReceiveSize(int bytes) override;
    bool Write(const QByteArray &bytes) override;
    int BytesWaiting() override;
    QByteArray Read(int count) override;
    void DiscardInput() override;
    QByteArray DiscardUntil(double t) override;
    qint64 BytesArrived() const override { return arrived_; }
    bool WaitForBytes(int count, double deadline) override;
    double LineByteSeconds() const override { return WireByteSeconds; }
    void SetArrivalHandler(std::function<void()> handler) override { arrivalHandler_ = std::move(handler); }

private:
    bool OpenPath();
    bool OpenSerialDevice();
    // Connects to the device server, waiting up to ConnectTimeoutMs.
    bool ConnectToServer();
    // Runs the wait loop until it is quit or `ms` pass; false when the loop
    // could not run (no application, a wait already under way, quitting).
    bool RunWaitLoop(int ms);
    // Drops what the driver or the connection holds for us.
    void ClearReceived();
    // Moves what the port has received into the receive buffer, up to its
    // size; the rest is lost.
    void TakeIn();
    // Reads what Qt holds for us, at most ReadChunkBytes, counting it.
    QByteArray ReadArrived();
    // Waits up to `seconds` for more bytes from the driver, or, without
    // `wakeOnData`, lets `seconds` pass; false when no byte came.
    bool WaitForDriver(double seconds, bool wakeOnData);
    // Closes the port after a read, write or resource error (the adapter was
    // pulled, the other end vanished, the connection dropped): Qt would
    // otherwise report it endlessly. It stays closed until Open or
    // SetReceiveSize reopens it on purpose, so that nothing is sent to
    // whatever appears at the path later.
    void CloseOnFatalError();

    Clock &clock_;
    std::function<QString(int)> pathForNumber_;
    QSerialPort serial_;
    QTcpSocket server_;
    // The one of the two the path names.
    QIODevice *device_ = &serial_;
    QEventLoop waitLoop_;
    QTimer waitDeadline_;
    bool wakeOnData_ = false;
    bool dataArrived_ = false;
    std::function<void()> arrivalHandler_;
    QString path_;
    QByteArray buffer_;
    int receiveSize_ = 10;
    qint64 arrived_ = 0;
};

} // namespace ksr
