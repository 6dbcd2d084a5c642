#pragma once
// Serves the simulated device's line on a listening TCP socket, as a serial
// device server passes a line's raw bytes: one client at a time. A client
// that comes while another is served is closed at once; when the served one
// leaves, the next may come.

#include "core/TcpAddress.h"

#include <QTcpServer>

namespace ksr::sim {

class LineServer;

class TcpServer : public QTcpServer {
public:
    explicit TcpServer(LineServer &line);
    ~TcpServer() override;

    // Listens at `address` (port 0: a free one); false with `error` set on
    // failure.
    bool Start(const TcpAddress &address, QString *error);
    // The tcp://HOST:PORT clients connect to, with the port listened on.
    QString Url() const;
    // Ends the client's connection, as a server that loses its line would.
    void DropClient();

protected:
    void incomingConnection(qintptr socket) override;

private:
    LineServer &line_;
    TcpAddress address_;
    int client_ = -1;
};

} // namespace ksr::sim
