#pragma once
// The stage remote's server: the page over HTTP and the clients over a
// WebSocket on the same port. A client is nobody until its first message
// presents a pairing token; then it gets the whole state, every change
// within a moment, and (with full control) may send commands, which the
// program carries out as the window's own actions. A client that stops
// reading is not sent more than a bounded amount.

#include "operations/PresetModel.h"
#include "operations/RingOutJournal.h"
#include "remote/ClientMessages.h"
#include "remote/PairingTokens.h"
#include "remote/RemoteState.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class QWebSocket;

namespace ksr {

class PageServer;

// A connected client as the window lists it.
struct RemoteClientInfo {
    quint64 id = 0;
    QString address;
    QString browser;
    RemoteRights rights = RemoteRights::None;
    QDateTime since;
    QString lastAction;
};

class StageServer : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxClients = 16;
    // How far a client may fall behind in bytes it has not confirmed
    // reading (each message is followed by a ping that its pong confirms),
    // and for how long before it is let go.
    static constexpr qint64 MaxBehindBytes = 256 * 1024;
    static constexpr int MaxBehindMs = 30'000;
    // A client that has not said hello by then is let go.
    static constexpr int HelloTimeoutMs = 10'000;
    // Journal rows kept for a new client's state.
    static constexpr int JournalRowsKept = 500;

    // Close codes of the socket.
    static constexpr int CloseUnauthorized = 4401;
    static constexpr int CloseBlocked = 4429;
    static constexpr int CloseFull = 4503;
    static constexpr int CloseEnded = 4001;
    static constexpr int CloseBehind = 4008;
    static constexpr int CloseNotFound = 4404;

    using Answer = std::function<void(const QJsonObject &reply)>;
    using CommandHandler = std::function<void(const RemoteCommand &, const RemoteClientInfo &, Answer)>;

    explicit StageServer(const PresetModel &model, QObject *parent = nullptr);
    ~StageServer() override;

    // What the model does not hold, each channel's response in dB at the
    // 730 grid points, and who carries out a command.
    void SetStatus(std::function<RemoteStatus()> status) { status_ = std::move(status); }
    void SetCurve(std::function<std::vector<double>(int channel)> curve) { curve_ = std::move(curve); }
    void SetCommandHandler(CommandHandler handler) { handler_ = std::move(handler); }
    // A monotonic clock in milliseconds for the pairing guard (the system's unless set).
    void SetClock(std::function<qint64()> nowMs);

    // Listens on `address` (any of the machine's when null) and `port`;
    // false with the reason in `error` when it cannot.
    bool Start(const QHostAddress &address, quint16 port, QString *error);
    // Disconnects every client and stops listening.
    void Stop();
    bool Running() const { return page_ != nullptr; }
    quint16 Port() const { return port_; }
    QHostAddress Address() const { return address_; }

    const PairingTokens &Tokens() const { return tokens_; }
    // New tokens: both links end and every client is disconnected.
    void NewCodes();

    QList<RemoteClientInfo> Clients() const;
    void Disconnect(quint64 id);

    // The status may have changed (a search, the device, the history).
    void StatusChanged();
    // Today's rows, for the state a client gets first.
    void SetJournalRows(const QList<JournalRow> &rows);
    // A line added to a journal file: its row goes to every client.
    void JournalLineAdded(const QByteArray &line);

    // The whole state as sent to a client.
    QJsonObject Snapshot() const;

signals:
    // A client connected, left, or acted.
    void ClientsChanged();

private:
    struct Client;

    void TakeConnections();
    void Accept(std::unique_ptr<QWebSocket> socket);
    void Received(Client &client, const QString &text);
    void Hello(Client &client, const ClientMessage &message);
    void Send(Client &client, const QJsonObject &message);
    void Send(Client &client, const QByteArray &text);
    void SendToAll(const QJsonObject &message);
    // A pong: the client has read the messages up to the bytes it names.
    void Confirmed(Client &client, const QByteArray &payload);
    // Closes the socket; the client may be gone once this returns.
    void Close(Client &client, int code, const QString &reason);
    void CloseAll(int code, const QString &reason);
    // Drops the clients whose sockets have gone.
    void Remove(quint64 id);
    Client *Find(quint64 id);
    // Whether the handshake's Origin is the page's own, on this machine.
    bool OriginAllowed(const QWebSocket &socket) const;
    RemoteClientInfo InfoOf(const Client &client) const;
    void ModelChanged(const PresetChange &change);
    // Sends what changed since the last flush.
    void Flush();
    void CheckBehind();
    QJsonObject ChannelOf(int c) const;
    QByteArray StateFor(const QString &token) const;

    const PresetModel &model_;
    std::function<RemoteStatus()> status_ = [] { return RemoteStatus{}; };
    std::function<std::vector<double>(int)> curve_ = [](int) { return std::vector<double>{}; };
    CommandHandler handler_;
    PairingTokens tokens_;
    std::unique_ptr<PairingGuard> guard_;
    std::unique_ptr<PageServer> page_;
    QHostAddress address_;
    quint16 port_ = 0;
    std::vector<std::unique_ptr<Client>> clients_;
    quint64 nextId_ = 1;
    QList<JournalRow> journal_;

    // What changed since the last flush.
    QTimer flushTimer_;
    std::uint8_t dirtyChannels_ = 0;
    bool dirtyLink_ = false;
    bool dirtyPreset_ = false;
    ChangeOrigin lastOrigin_ = ChangeOrigin::Edit;
    bool modelDirty_ = false;
    RemoteStatus sentStatus_;
    QTimer behindTimer_;
};

} // namespace ksr
