#include "sim/TcpServer.h"

#include "sim/LineServer.h"

#include <QHostAddress>
#include <QHostInfo>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ksr::sim {

TcpServer::TcpServer(LineServer &line)
    : line_(line)
{
}

TcpServer::~TcpServer()
{
    DropClient();
}

bool TcpServer::Start(const TcpAddress &address, QString *error)
{
    address_ = address;
    QHostAddress host(address_.host);
    if (host.isNull()) {
        const QList<QHostAddress> found = QHostInfo::fromName(address_.host).addresses();
        if (found.isEmpty()) {
            *error = QStringLiteral("no address for host \"%1\"").arg(address_.host);
            return false;
        }
        host = found.constFirst();
    }
    if (!listen(host, address_.port)) {
        *error = QStringLiteral("cannot listen on %1: %2").arg(TcpPath(address_), errorString());
        return false;
    }
    address_.port = serverPort();
    return true;
}

QString TcpServer::Url() const
{
    return TcpPath(address_);
}

void TcpServer::DropClient()
{
    if (client_ < 0)
        return;
    line_.Detach();
    ::close(client_);
    client_ = -1;
}

void TcpServer::incomingConnection(qintptr socket)
{
    const int fd = static_cast<int>(socket);
    if (client_ >= 0) {
        ::close(fd);
        return;
    }
    client_ = fd;
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    // Each burst of output leaves as it is written, as on the line.
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    line_.Attach(fd, [this] { DropClient(); });
}

} // namespace ksr::sim
