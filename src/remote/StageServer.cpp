#include "remote/StageServer.h"

#include "remote/GuardedTcpServer.h"
#include "remote/PageServer.h"

#include <QHostInfo>
#include <QNetworkInterface>
#include <QTcpServer>
#include <QWebSocket>

#include <algorithm>

namespace ksr {

struct StageServer::Client {
    quint64 id = 0;
    std::unique_ptr<QWebSocket> socket;
    RemoteRights rights = RemoteRights::None;
    QString address;
    QString browser;
    QDateTime since;
    QString lastAction;
    // Bytes of the messages sent, and how many of them the client has
    // confirmed reading: each message is followed by a ping naming the
    // bytes sent so far, which the client's pong gives back once it has
    // read that far. The kernel's buffers, however large, count as unread.
    qint64 sent = 0;
    qint64 confirmed = 0;
    // Sent nothing until it has read what it had; then the whole state.
    bool behind = false;
    QElapsedTimer behindFor;
    bool closing = false;
};

namespace {

// An address as people write it: an IPv4 address mapped into IPv6 as IPv4.
QString AddressText(const QHostAddress &address)
{
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : address.toString();
}

bool IsThisMachine(const QString &host)
{
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0
        || host.compare(QHostInfo::localHostName(), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    if (address.isNull())
        return false;
    const QList<QHostAddress> own = QNetworkInterface::allAddresses();
    return std::any_of(own.begin(), own.end(), [&](const QHostAddress &a) { return a.isEqual(address, QHostAddress::TolerantConversion); });
}

QString RightsName(RemoteRights rights)
{
    return rights == RemoteRights::Control ? QStringLiteral("control") : QStringLiteral("watch");
}

} // namespace

StageServer::StageServer(const PresetModel &model, QObject *parent) : QObject(parent), model_(model)
{
    SetClock([] {
        static const QElapsedTimer started = [] {
            QElapsedTimer t;
            t.start();
            return t;
        }();
        return started.elapsed();
    });
    flushTimer_.setSingleShot(true);
    flushTimer_.setInterval(0);
    connect(&flushTimer_, &QTimer::timeout, this, &StageServer::Flush);
    behindTimer_.setInterval(1000);
    connect(&behindTimer_, &QTimer::timeout, this, &StageServer::CheckBehind);
    connect(&model_, &PresetModel::Changed, this, &StageServer::ModelChanged);
}

StageServer::~StageServer()
{
    Stop();
}

void StageServer::SetClock(std::function<qint64()> nowMs)
{
    guard_ = std::make_unique<PairingGuard>(std::move(nowMs));
}

bool StageServer::Start(const QHostAddress &address, quint16 port, QString *error)
{
    Stop();
    auto page = std::make_unique<PageServer>([this](const QString &token) { return StateFor(token); });
    auto *tcp = new GuardedTcpServer(page.get());
    const QHostAddress listenOn = address.isNull() ? QHostAddress(QHostAddress::Any) : address;
    if (!tcp->listen(listenOn, port)) {
        if (error != nullptr)
            *error = tcp->errorString();
        return false;
    }
    page->bind(tcp);
    connect(page.get(), &QAbstractHttpServer::newWebSocketConnection, this, &StageServer::TakeConnections);
    page_ = std::move(page);
    address_ = listenOn;
    port_ = tcp->serverPort();
    sentStatus_ = status_();
    behindTimer_.start();
    return true;
}

void StageServer::Stop()
{
    std::vector<std::unique_ptr<Client>> clients = std::move(clients_);
    clients_.clear();
    for (const auto &client : clients) {
        client->socket->disconnect(this);
        client->socket->close(static_cast<QWebSocketProtocol::CloseCode>(CloseEnded),
                              QStringLiteral("The stage remote was turned off."));
    }
    clients.clear();
    page_.reset();
    port_ = 0;
    behindTimer_.stop();
    emit ClientsChanged();
}

void StageServer::NewCodes()
{
    tokens_.Renew();
    CloseAll(CloseEnded, QStringLiteral("New pairing codes were made."));
    emit ClientsChanged();
}

QList<RemoteClientInfo> StageServer::Clients() const
{
    QList<RemoteClientInfo> list;
    for (const auto &client : clients_) {
        if (client->rights != RemoteRights::None && !client->closing)
            list << InfoOf(*client);
    }
    return list;
}

RemoteClientInfo StageServer::InfoOf(const Client &client) const
{
    return {client.id, client.address, client.browser, client.rights, client.since, client.lastAction};
}

void StageServer::Disconnect(quint64 id)
{
    if (Client *client = Find(id))
        Close(*client, CloseEnded, QStringLiteral("Disconnected from the window."));
    emit ClientsChanged();
}

StageServer::Client *StageServer::Find(quint64 id)
{
    const auto it = std::find_if(clients_.begin(), clients_.end(), [id](const auto &c) { return c->id == id; });
    return it == clients_.end() ? nullptr : it->get();
}

void StageServer::TakeConnections()
{
    while (page_ != nullptr && page_->hasPendingWebSocketConnections()) {
        std::unique_ptr<QWebSocket> socket = page_->nextPendingWebSocketConnection();
        if (socket != nullptr)
            Accept(std::move(socket));
    }
}

bool StageServer::OriginAllowed(const QWebSocket &socket) const
{
    const QUrl request = socket.requestUrl();
    const QUrl origin(socket.origin());
    if (!IsThisMachine(request.host()))
        return false;
    return origin.scheme() == QLatin1String("http") && origin.path().isEmpty()
        && origin.host().compare(request.host(), Qt::CaseInsensitive) == 0 && origin.port(80) == request.port(80);
}

void StageServer::Accept(std::unique_ptr<QWebSocket> socket)
{
    auto client = std::make_unique<Client>();
    client->id = nextId_++;
    client->address = AddressText(socket->peerAddress());
    client->browser = QString::fromUtf8(socket->request().rawHeader("User-Agent")).left(200);
    client->since = QDateTime::currentDateTime();
    // Qt closes the socket itself beyond this; up to it a message too
    // large is answered with an error.
    socket->setMaxAllowedIncomingMessageSize(4 * MaxClientMessageBytes);
    socket->setMaxAllowedIncomingFrameSize(4 * MaxClientMessageBytes);
    client->socket = std::move(socket);
    Client &c = *client;
    const quint64 id = c.id;
    QWebSocket *s = c.socket.get();
    connect(s, &QWebSocket::textMessageReceived, this, [this, id](const QString &text) {
        if (Client *found = Find(id))
            Received(*found, text);
    });
    connect(s, &QWebSocket::binaryMessageReceived, this, [this, id](const QByteArray &) {
        if (Client *found = Find(id); found != nullptr && !found->closing) {
            if (found->rights == RemoteRights::None)
                Close(*found, CloseUnauthorized, QStringLiteral("unauthorized"));
            else
                Send(*found, ErrorJson({QStringLiteral("malformed"), QStringLiteral("Messages are JSON text."), {}}));
        }
    });
    connect(s, &QWebSocket::pong, this, [this, id](quint64, const QByteArray &payload) {
        if (Client *found = Find(id))
            Confirmed(*found, payload);
    });
    connect(s, &QWebSocket::disconnected, this, [this, id] { Remove(id); });
    clients_.push_back(std::move(client));

    const auto refuse = [&](int code, const char *errorCode, const QString &message) {
        Send(c, ErrorJson({QString::fromLatin1(errorCode), message, {}}));
        Close(c, code, QString::fromLatin1(errorCode));
    };
    if (s->requestUrl().path() != QLatin1String("/ws")) {
        Close(c, CloseNotFound, QStringLiteral("not found"));
        return;
    }
    if (!OriginAllowed(*s)) {
        refuse(CloseUnauthorized, "unauthorized", QStringLiteral("The connection must come from the remote's own page."));
        return;
    }
    if (guard_->Blocked(c.address)) {
        refuse(CloseBlocked, "blocked", QStringLiteral("Too many failed pairings from this address: try again in a minute."));
        return;
    }
    const auto open = std::count_if(clients_.begin(), clients_.end(), [](const auto &other) { return !other->closing; });
    if (open > MaxClients) {
        refuse(CloseFull, "full", QStringLiteral("%1 clients are connected already.").arg(MaxClients));
        return;
    }
    QTimer::singleShot(HelloTimeoutMs, s, [this, id] {
        if (Client *found = Find(id); found != nullptr && found->rights == RemoteRights::None)
            Close(*found, CloseUnauthorized, QStringLiteral("no hello"));
    });
}

void StageServer::Received(Client &client, const QString &text)
{
    if (client.closing)
        return;
    const std::variant<ClientMessage, RemoteError> parsed = ParseClientMessage(text.toUtf8());
    if (client.rights == RemoteRights::None) {
        const auto *message = std::get_if<ClientMessage>(&parsed);
        if (message != nullptr && message->type == ClientMessage::Type::Hello)
            Hello(client, *message);
        else {
            guard_->Failed(client.address);
            Send(client, ErrorJson({QStringLiteral("unauthorized"), QStringLiteral("Say hello with a token first."), {}}));
            Close(client, CloseUnauthorized, QStringLiteral("unauthorized"));
        }
        return;
    }
    if (const auto *error = std::get_if<RemoteError>(&parsed)) {
        Send(client, ErrorJson(*error));
        return;
    }
    const ClientMessage &message = std::get<ClientMessage>(parsed);
    if (message.type == ClientMessage::Type::Hello) {
        Send(client, ErrorJson({QStringLiteral("malformed"), QStringLiteral("This client has said hello already."), {}}));
        return;
    }
    if (client.rights != RemoteRights::Control) {
        Send(client, ErrorJson({QStringLiteral("watch-only"),
                                QStringLiteral("This link is for watching only: nothing was changed."), message.command.id}));
        return;
    }
    if (!handler_) {
        Send(client, ErrorJson({QStringLiteral("unavailable"), QStringLiteral("Nothing carries out commands."), message.command.id}));
        return;
    }
    client.lastAction = QStringLiteral("%1 %2").arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")), message.command.name);
    emit ClientsChanged();
    const quint64 id = client.id;
    handler_(message.command, InfoOf(client), [this, id](const QJsonObject &answer) {
        if (Client *found = Find(id))
            Send(*found, answer);
    });
}

void StageServer::Hello(Client &client, const ClientMessage &message)
{
    const RemoteRights rights = tokens_.RightsOf(message.token);
    if (rights == RemoteRights::None) {
        guard_->Failed(client.address);
        Send(client, ErrorJson({QStringLiteral("unauthorized"), QStringLiteral("This pairing link is not valid (any more)."), {}}));
        Close(client, CloseUnauthorized, QStringLiteral("unauthorized"));
        return;
    }
    client.rights = rights;
    Send(client, QJsonObject{{QStringLiteral("type"), QStringLiteral("welcome")},
                             {QStringLiteral("api"), RemoteApiVersion},
                             {QStringLiteral("rights"), RightsName(rights)},
                             {QStringLiteral("client"), client.address}});
    Send(client, Snapshot());
    emit ClientsChanged();
}

void StageServer::Send(Client &client, const QJsonObject &message)
{
    Send(client, MessageText(message));
}

void StageServer::Send(Client &client, const QByteArray &text)
{
    if (client.closing || client.behind)
        return;
    if (client.sent - client.confirmed + text.size() > MaxBehindBytes) {
        client.behind = true;
        client.behindFor.start();
        return;
    }
    client.sent += text.size();
    client.socket->sendTextMessage(QString::fromUtf8(text));
    // A refusal before pairing is followed by the close alone.
    if (client.rights != RemoteRights::None)
        client.socket->ping(QByteArray::number(client.sent));
}

void StageServer::SendToAll(const QJsonObject &message)
{
    // Written once, whatever the number of clients.
    const QByteArray text = MessageText(message);
    for (const auto &client : clients_) {
        if (client->rights != RemoteRights::None)
            Send(*client, text);
    }
}

void StageServer::Confirmed(Client &client, const QByteArray &payload)
{
    bool ok = false;
    const qint64 read = payload.toLongLong(&ok);
    // A pong names no more than was sent: anything else is ignored.
    if (!ok || read > client.sent)
        return;
    client.confirmed = std::max(client.confirmed, read);
    if (client.confirmed == client.sent && client.behind && !client.closing) {
        client.behind = false;
        Send(client, Snapshot());
    }
}

void StageServer::CheckBehind()
{
    std::vector<quint64> late;
    for (const auto &client : clients_) {
        if (client->behind && !client->closing && client->behindFor.elapsed() > MaxBehindMs)
            late.push_back(client->id);
    }
    for (const quint64 id : late) {
        if (Client *client = Find(id))
            Close(*client, CloseBehind, QStringLiteral("The client did not read for too long."));
    }
}

void StageServer::CloseAll(int code, const QString &reason)
{
    std::vector<quint64> ids;
    for (const auto &client : clients_)
        ids.push_back(client->id);
    for (const quint64 id : ids) {
        if (Client *client = Find(id))
            Close(*client, code, reason);
    }
}

void StageServer::Close(Client &client, int code, const QString &reason)
{
    if (client.closing)
        return;
    client.closing = true;
    // A peer that does not answer the close is cut off.
    QWebSocket *socket = client.socket.get();
    QTimer::singleShot(2000, socket, [socket] { socket->abort(); });
    // Closing may tell of the disconnection at once, and remove the client.
    socket->close(static_cast<QWebSocketProtocol::CloseCode>(code), reason);
}

void StageServer::Remove(quint64 id)
{
    const auto it = std::find_if(clients_.begin(), clients_.end(), [id](const auto &c) { return c->id == id; });
    if (it == clients_.end())
        return;
    // Deleted once its own signal has returned.
    (*it)->socket.release()->deleteLater();
    clients_.erase(it);
    emit ClientsChanged();
}

void StageServer::ModelChanged(const PresetChange &change)
{
    for (int c = 0; c < 2; ++c) {
        const std::uint32_t channelBits = ((1U << FiltersPerChannel) - 1U) << (FiltersPerChannel * c);
        if ((change.Notches() & channelBits) != 0 || change.settings[static_cast<std::size_t>(c)] != 0 || change.wholeImage)
            dirtyChannels_ |= static_cast<std::uint8_t>(1U << c);
    }
    dirtyLink_ = dirtyLink_ || change.link;
    dirtyPreset_ = dirtyPreset_ || change.captions;
    lastOrigin_ = change.origin;
    modelDirty_ = true;
    if (Running())
        flushTimer_.start();
}

void StageServer::StatusChanged()
{
    if (Running())
        flushTimer_.start();
}

void StageServer::Flush()
{
    QJsonObject change{{QStringLiteral("type"), QStringLiteral("change")},
                       {QStringLiteral("origin"), modelDirty_ ? OriginName(lastOrigin_) : QStringLiteral("program")}};
    QJsonArray channels;
    for (int c = 0; c < 2; ++c) {
        if ((dirtyChannels_ >> c) & 1U)
            channels.append(ChannelOf(c));
    }
    if (!channels.isEmpty())
        change.insert(QStringLiteral("channels"), channels);
    if (dirtyLink_)
        change.insert(QStringLiteral("linked"), model_.Linked());
    if (dirtyPreset_)
        change.insert(QStringLiteral("preset"), PresetJson(model_));
    const RemoteStatus status = status_();
    if (status != sentStatus_)
        AddStatus(change, status);
    sentStatus_ = status;
    dirtyChannels_ = 0;
    dirtyLink_ = dirtyPreset_ = modelDirty_ = false;
    if (change.size() > 2)
        SendToAll(change);
}

QJsonObject StageServer::ChannelOf(int c) const
{
    return ChannelJson(model_, c, curve_(c));
}

QJsonObject StageServer::Snapshot() const
{
    QJsonObject state{{QStringLiteral("type"), QStringLiteral("state")},
                      {QStringLiteral("api"), RemoteApiVersion},
                      {QStringLiteral("linked"), model_.Linked()},
                      {QStringLiteral("preset"), PresetJson(model_)},
                      {QStringLiteral("channels"), QJsonArray{ChannelOf(0), ChannelOf(1)}}};
    AddStatus(state, status_());
    QJsonArray rows;
    for (const JournalRow &row : journal_)
        rows.append(JournalRowJson(row));
    state.insert(QStringLiteral("journal"), rows);
    return state;
}

QByteArray StageServer::StateFor(const QString &token) const
{
    return tokens_.RightsOf(token) == RemoteRights::None ? QByteArray() : MessageText(Snapshot());
}

void StageServer::SetJournalRows(const QList<JournalRow> &rows)
{
    journal_ = rows.mid(std::max<qsizetype>(0, rows.size() - JournalRowsKept));
}

void StageServer::JournalLineAdded(const QByteArray &line)
{
    const std::optional<JournalRow> row = ParseJournalLine(line);
    if (!row)
        return;
    journal_.append(*row);
    if (journal_.size() > JournalRowsKept)
        journal_.removeFirst();
    if (Running())
        SendToAll(QJsonObject{{QStringLiteral("type"), QStringLiteral("journal")},
                              {QStringLiteral("rows"), QJsonArray{JournalRowJson(*row)}}});
}

} // namespace ksr
