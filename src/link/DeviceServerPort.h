#pragma once
// The serial port seam on a serial device server: its raw TCP connection,
// tcp://HOST:PORT, whose line settings are the server's own.

#include "link/BufferedPort.h"

#include <QElapsedTimer>
#include <QTcpSocket>

namespace ksr {

// A connection that stops answering while idle (a pulled network cable) is
// given up after KeepAliveIdleSeconds + KeepAliveProbes x
// KeepAliveIntervalSeconds without an answer to the system's keep-alive.
inline constexpr int KeepAliveIdleSeconds = 2;
inline constexpr int KeepAliveIntervalSeconds = 2;
inline constexpr int KeepAliveProbes = 3;
// Turns the keep-alive on for the connected `socket`.
void KeepAlive(QTcpSocket &socket);

class DeviceServerPort final : public BufferedPort {
public:
    // A connection to a device server that has not answered after this
    // long cannot be opened.
    static constexpr int ConnectTimeoutMs = 3000;

    // `pathForNumber` maps a port number to a tcp:// port (empty: no port).
    DeviceServerPort(Clock &clock, std::function<QString(int)> pathForNumber);

    bool IsOpen() const override { return server_.state() == QAbstractSocket::ConnectedState; }
    // A connection that stands is kept: reconnecting would cost the server
    // a new session, and emptying the buffer is what reopening achieves.
    bool SetReceiveSize(int bytes) override;

private:
    // Connects to the device server, waiting up to ConnectTimeoutMs.
    bool OpenDevice(const QString &path) override;
    // The connection is asked for and not awaited: the offline tries to
    // reach a server keep the windows taking input.
    bool StartOpenDevice(const QString &path) override;
    // Until connected, for at most ConnectTimeoutMs.
    bool DeviceOpenPending() override;
    // The options of a connection made.
    void Connected();
    void CloseDevice() override { server_.abort(); }
    void ClearReceived() override;
    // A wait that timed out leaves the connection standing; a refused,
    // reset or ended one is gone for good.
    void CloseOnFatalError() override;

    QTcpSocket server_;
    QElapsedTimer connecting_;
};

} // namespace ksr
