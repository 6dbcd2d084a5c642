#pragma once
// The stage remote's clients of ksr704-remotebench, all on 127.0.0.1: a
// WebSocket client that notes when each device report reaches it, and a
// stalled one (a raw TCP socket with a tiny receive buffer that says hello
// and then reads nothing).

#include <QJsonObject>
#include <QWebSocket>

#include <vector>

namespace ksr::bench {

class ReportClient {
public:
    explicit ReportClient(const QString &origin);
    // Opens ws://127.0.0.1:PORT/ws, says hello with `token` and waits for
    // the whole state; false when it did not come within 10 s.
    bool Connect(quint16 port, const QString &token);
    // Sends a command and waits for its answer; false on an error or none.
    bool Command(const QJsonObject &command);
    void Close();

    // CLOCK_MONOTONIC seconds at which each change from a report came.
    std::vector<double> reportTimes;

private:
    QWebSocket socket_;
    bool stateSeen_ = false;
    bool closed_ = false;
    int nextId_ = 1;
    int answered_ = 0;
    bool answerOk_ = false;
};

// Starts (or stops) the search on both channels through `client`.
bool SetSearch(ReportClient &client, bool on);

class StalledClient {
public:
    ~StalledClient();
    // Connects with a receive buffer of `receiveBytes`, makes the WebSocket
    // handshake and says hello; from then on reads nothing.
    bool Connect(quint16 port, const QString &token, int receiveBytes);
    // The server's side of this connection as /proc/net/tcp shows it: its
    // state (1: established, 4: closed by the server, its data still
    // queued) and the bytes queued in the kernel, not yet taken by this
    // client. State 0 when the connection is not found.
    struct ServerSide {
        int state = 0;
        qint64 queued = 0;
    };
    ServerSide Server(quint16 serverPort) const;

private:
    int fd_ = -1;
};

} // namespace ksr::bench
