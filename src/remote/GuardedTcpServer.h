#pragma once
// The stage remote's listening socket, which bounds what a connection may
// do before it is a paired WebSocket: the HTTP server below would hold a
// request of any size and keep any number of idle connections open.

#include <QTcpServer>

#include <memory>

namespace ksr {

class GuardedTcpServer final : public QTcpServer {
public:
    // Bytes an HTTP connection may send in all (its requests are a few hundred).
    static constexpr qint64 MaxHttpBytes = 256 * 1024;
    // How long an HTTP connection may stay open, and how many at once.
    static constexpr int MaxHttpMs = 60'000;
    static constexpr int MaxHttpConnections = 32;

    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    // HTTP connections open now.
    std::shared_ptr<int> open_ = std::make_shared<int>(0);
};

} // namespace ksr
