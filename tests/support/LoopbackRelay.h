#pragma once
// A TCP relay on 127.0.0.1 in front of a server on the same machine, as the
// network between a phone and the program: it passes every byte both ways
// until told to drop every connection (a phone asleep, a network gone) and,
// for a while, to take none.

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>
#include <vector>

namespace ksr::test {

class LoopbackRelay {
public:
    explicit LoopbackRelay(quint16 target) : target_(target)
    {
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { Take(); });
    }

    bool Listen() { return server_.listen(QHostAddress::LocalHost, 0); }
    quint16 Port() const { return server_.serverPort(); }

    // Drops every connection without a word, as a network that goes away.
    void Cut()
    {
        for (const auto &pair : pairs_) {
            pair->client->abort();
            pair->server.abort();
        }
        pairs_.clear();
    }
    // While refusing, a new connection is dropped as soon as it comes.
    void SetRefusing(bool refusing) { refusing_ = refusing; }
    int Connections() const { return static_cast<int>(pairs_.size()); }

private:
    struct Pair {
        std::unique_ptr<QTcpSocket> client;
        QTcpSocket server;
    };

    void Take()
    {
        while (server_.hasPendingConnections()) {
            std::unique_ptr<QTcpSocket> client(server_.nextPendingConnection());
            client->setParent(nullptr);
            if (refusing_) {
                client->abort();
                continue;
            }
            auto pair = std::make_unique<Pair>();
            pair->client = std::move(client);
            QTcpSocket *from = pair->client.get();
            QTcpSocket *to = &pair->server;
            QObject::connect(from, &QTcpSocket::readyRead, to, [from, to] {
                if (to->state() == QAbstractSocket::ConnectedState)
                    to->write(from->readAll());
            });
            QObject::connect(to, &QTcpSocket::connected, from, [from, to] { to->write(from->readAll()); });
            QObject::connect(to, &QTcpSocket::readyRead, from, [from, to] { from->write(to->readAll()); });
            QObject::connect(from, &QTcpSocket::disconnected, to, [to] { to->disconnectFromHost(); });
            QObject::connect(to, &QTcpSocket::disconnected, from, [from] { from->disconnectFromHost(); });
            pair->server.connectToHost(QHostAddress::LocalHost, target_);
            pairs_.push_back(std::move(pair));
        }
    }

    quint16 target_;
    QTcpServer server_;
    bool refusing_ = false;
    std::vector<std::unique_ptr<Pair>> pairs_;
};

} // namespace ksr::test
