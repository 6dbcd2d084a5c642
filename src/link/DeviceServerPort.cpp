#include "link/DeviceServerPort.h"

#include "core/TcpAddress.h"
#include "link/LinkLogging.h"

#if __has_include(<netinet/tcp.h>)
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

namespace ksr {

void KeepAlive(QTcpSocket &socket)
{
    socket.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
#if defined(TCP_KEEPIDLE) && defined(TCP_KEEPINTVL) && defined(TCP_KEEPCNT)
    // The system's default waits two hours; these give up on a connection
    // that stopped answering after 2 + 3 x 2 = 8 s of silence.
    const auto descriptor = static_cast<int>(socket.socketDescriptor());
    const int idle = KeepAliveIdleSeconds;
    const int interval = KeepAliveIntervalSeconds;
    const int count = KeepAliveProbes;
    setsockopt(descriptor, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
    setsockopt(descriptor, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
    setsockopt(descriptor, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
#endif
}

DeviceServerPort::DeviceServerPort(Clock &clock, std::function<QString(int)> pathForNumber)
    : BufferedPort(clock, std::move(pathForNumber), server_)
{
    server_.setReadBufferSize(ReadChunkBytes);
    QObject::connect(&server_, &QTcpSocket::readyRead, &server_, [this] { DataArrived(); });
    // A connection made, refused or dropped ends the wait for it; one that
    // drops while nothing waits loses the device.
    QObject::connect(&server_, &QTcpSocket::errorOccurred, &server_, [this] { TransportFailed(); });
    QObject::connect(&server_, &QTcpSocket::connected, &server_, [this] { EndWait(); });
    QObject::connect(&server_, &QTcpSocket::disconnected, &server_, [this] { TransportFailed(); });
}

bool DeviceServerPort::OpenDevice(const QString &path)
{
    const std::optional<TcpAddress> address = ParseTcpAddress(path);
    if (!address)
        return false;
    // The connection is awaited in the wait loop, so that the windows go
    // on painting meanwhile; a host name is looked up there too.
    server_.connectToHost(address->host, address->port);
    if (server_.state() != QAbstractSocket::ConnectedState && !RunWaitLoop(ConnectTimeoutMs))
        server_.waitForConnected(ConnectTimeoutMs);
    if (server_.state() != QAbstractSocket::ConnectedState) {
        server_.abort();
        return false;
    }
    Connected();
    return true;
}

void DeviceServerPort::Connected()
{
    // Each frame leaves at once, not held back to be sent with the next.
    server_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    KeepAlive(server_);
}

bool DeviceServerPort::StartOpenDevice(const QString &path)
{
    const std::optional<TcpAddress> address = ParseTcpAddress(path);
    if (!address)
        return false;
    server_.connectToHost(address->host, address->port);
    connecting_.start();
    return true;
}

bool DeviceServerPort::DeviceOpenPending()
{
    const QAbstractSocket::SocketState state = server_.state();
    if (state == QAbstractSocket::ConnectedState) {
        Connected();
        return false;
    }
    if ((state == QAbstractSocket::HostLookupState || state == QAbstractSocket::ConnectingState)
        && connecting_.elapsed() < ConnectTimeoutMs)
        return true;
    server_.abort();
    return false;
}

bool DeviceServerPort::SetReceiveSize(int bytes)
{
    if (!IsOpen())
        return BufferedPort::SetReceiveSize(bytes);
    RestartReceiving(bytes);
    return true;
}

void DeviceServerPort::ClearReceived()
{
    // What is dropped here still counts as arrived.
    server_.waitForReadyRead(0);
    ReadArrived();
}

void DeviceServerPort::CloseOnFatalError()
{
    if (server_.state() == QAbstractSocket::ConnectedState)
        return;
    qCDebug(LinkLog).noquote() << "connection to" << server_.peerName() << "lost:" << server_.errorString();
    server_.abort();
}

} // namespace ksr
