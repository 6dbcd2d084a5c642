#include "remote/GuardedTcpServer.h"

#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace ksr {

namespace {

// What is known of a connection until it turns out a WebSocket or ends.
struct Watch {
    qint64 received = 0;
    QByteArray head; // the first request's head, up to its blank line
    bool guarded = true;
};

} // namespace

void GuardedTcpServer::incomingConnection(qintptr descriptor)
{
    auto *socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    if (*open_ >= MaxHttpConnections) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    ++*open_;
    auto watch = std::make_shared<Watch>();
    auto *deadline = new QTimer(socket);
    deadline->setSingleShot(true);
    // Told by the socket even as the server goes, so it holds the count
    // itself rather than the server.
    const auto release = [open = open_, watch, deadline] {
        if (!watch->guarded)
            return;
        watch->guarded = false;
        deadline->stop();
        --*open;
    };
    connect(deadline, &QTimer::timeout, socket, [socket, release] {
        release();
        socket->abort();
    });
    deadline->start(MaxHttpMs);
    // Connected before the HTTP server's own handler, so it sees each
    // arrival before that handler takes it in.
    connect(socket, &QTcpSocket::readyRead, socket, [socket, watch, release] {
        if (!watch->guarded)
            return;
        const qint64 arrived = socket->bytesAvailable();
        watch->received += arrived;
        if (watch->head.size() < 8192 && !watch->head.contains("\r\n\r\n")) {
            watch->head += socket->peek(std::min<qint64>(arrived, 8192 - watch->head.size()));
            // A WebSocket's handshake: from here on the socket's own limits hold.
            if (watch->head.contains("\r\n\r\n") && watch->head.toLower().contains("\r\nupgrade: websocket")) {
                release();
                return;
            }
        }
        if (watch->received > MaxHttpBytes) {
            release();
            socket->abort();
        }
    });
    connect(socket, &QTcpSocket::disconnected, socket, release);
    connect(socket, &QObject::destroyed, release);
    // The server announces it once this returns.
    addPendingConnection(socket);
}

} // namespace ksr
