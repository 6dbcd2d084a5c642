// The stage remote's server over real sockets on 127.0.0.1: pairing, every
// refusal, the state and the changes, the page over HTTP, and a client that
// stops reading.

#include "operations/PresetModel.h"
#include "remote/StageServer.h"
#include "support/RemoteClient.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QTest>
#include <QWebSocket>

#include <functional>

using namespace ksr;
using namespace ksr::test;

namespace {

const QHostAddress Loopback(QHostAddress::LocalHost);


// A client's masked frame of `opcode` (0x1 text, 0xA pong).
QByteArray MaskedFrame(int opcode, const QByteArray &payload)
{
    QByteArray frame;
    frame += char(0x80 | opcode);
    if (payload.size() < 126) {
        frame += char(0x80 | payload.size());
    } else {
        frame += char(0x80 | 126);
        frame += char(payload.size() >> 8);
        frame += char(payload.size() & 0xFF);
    }
    const char mask[4] = {0x11, 0x22, 0x33, 0x44};
    frame.append(mask, 4);
    for (qsizetype i = 0; i < payload.size(); ++i)
        frame += char(payload[i] ^ mask[i % 4]);
    return frame;
}

// The server's frames in `stream` from `at` (past the handshake's answer),
// each whole one passed to `frame` with its opcode and payload.
void TakeFrames(const QByteArray &stream, qsizetype &at, const std::function<void(int, const QByteArray &)> &frame)
{
    if (at == 0) {
        const qsizetype end = stream.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        at = end + 4;
    }
    while (at + 2 <= stream.size()) {
        const int opcode = static_cast<std::uint8_t>(stream[at]) & 0x0F;
        qint64 length = static_cast<std::uint8_t>(stream[at + 1]) & 0x7F;
        qsizetype header = 2;
        if (length == 126 && at + 4 <= stream.size()) {
            length = (static_cast<std::uint8_t>(stream[at + 2]) << 8) | static_cast<std::uint8_t>(stream[at + 3]);
            header = 4;
        } else if (length == 127 && at + 10 <= stream.size()) {
            length = 0;
            for (int i = 0; i < 8; ++i)
                length = (length << 8) | static_cast<std::uint8_t>(stream[at + 2 + i]);
            header = 10;
        } else if (length >= 126) {
            return;
        }
        if (at + header + length > stream.size())
            return;
        frame(opcode, stream.mid(at + header, length));
        at += header + length;
    }
}

} // namespace

class RemoteServerTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<PresetModel> model_;
    std::unique_ptr<StageServer> server_;
    QList<RemoteCommand> commands_;
    qint64 nowMs_ = 0;

    QString Origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(server_->Port()); }
    std::unique_ptr<RemoteClient> Paired(const QString &token)
    {
        auto client = std::make_unique<RemoteClient>(Origin());
        if (!client->Open(server_->Port()))
            return nullptr;
        client->Hello(token);
        return client->WaitFor(QStringLiteral("state")) ? std::move(client) : nullptr;
    }

private slots:
    void init()
    {
        model_ = std::make_unique<PresetModel>();
        server_ = std::make_unique<StageServer>(*model_);
        server_->SetClock([this] { return nowMs_; });
        server_->SetCommandHandler([this](const RemoteCommand &command, const RemoteClientInfo &, StageServer::Answer answer) {
            commands_ << command;
            answer(ReplyJson(command.id));
        });
        commands_.clear();
        QString error;
        QVERIFY2(server_->Start(Loopback, 0, &error), qPrintable(error));
    }
    void cleanup()
    {
        server_.reset();
        model_.reset();
    }

    void pairedClientGetsWelcomeThenTheWholeState_data()
    {
        QTest::addColumn<bool>("control");
        QTest::newRow("full control") << true;
        QTest::newRow("watch only") << false;
    }
    void pairedClientGetsWelcomeThenTheWholeState()
    {
        QFETCH(bool, control);
        const QString token = control ? server_->Tokens().ControlToken() : server_->Tokens().WatchToken();
        QVERIFY(token.size() >= 22);
        const std::unique_ptr<RemoteClient> client = Paired(token);
        QVERIFY(client);
        QCOMPARE(client->Types().mid(0, 2), (QStringList{"welcome", "state"}));
        QCOMPARE(client->messages[0].value("rights").toString(), control ? "control" : "watch");
        const QJsonObject state = client->messages[1];
        QCOMPARE(state.value("api").toInt(), 1);
        const QJsonArray channels = state.value("channels").toArray();
        QCOMPARE(channels.size(), 2);
        QCOMPARE(channels[1].toObject().value("notches").toArray().size(), 12);
        QCOMPARE(server_->Clients().size(), 1);
    }

    // Nobody without a valid token sees anything: the socket closes before
    // any state, and nothing reaches the program.
    void refusedBeforeAnyState_data()
    {
        QTest::addColumn<QString>("origin");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("first");
        QTest::addColumn<int>("code");
        const QString port = QStringLiteral("%1");
        QTest::newRow("a command first") << "" << "/ws" << R"({"type":"command","cmd":"undo"})" << 4401;
        QTest::newRow("a wrong token") << "" << "/ws" << R"({"type":"hello","token":"AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"})" << 4401;
        QTest::newRow("an empty token") << "" << "/ws" << R"({"type":"hello","token":""})" << 4401;
        QTest::newRow("not JSON") << "" << "/ws" << "hello" << 4401;
        QTest::newRow("another origin") << "http://evil.example" << "/ws" << "" << 4401;
        QTest::newRow("no origin") << "-" << "/ws" << "" << 4401;
        QTest::newRow("another path") << "" << "/other" << "" << 4404;
    }
    void refusedBeforeAnyState()
    {
        QFETCH(QString, origin);
        QFETCH(QString, path);
        QFETCH(QString, first);
        QFETCH(int, code);
        RemoteClient client(origin.isEmpty() ? Origin() : origin == "-" ? QString() : origin);
        client.Open(server_->Port(), path);
        if (!first.isEmpty())
            client.SendText(first);
        QVERIFY(client.WaitClosed());
        QCOMPARE(client.closeCode, code);
        QVERIFY(!client.Types().contains("state"));
        QVERIFY(!client.Types().contains("welcome"));
        QVERIFY(commands_.isEmpty());
        QVERIFY(server_->Clients().isEmpty());
    }

    void tenFailedPairingsBlockTheAddressForAMinute()
    {
        for (int i = 0; i < 10; ++i) {
            RemoteClient client(Origin());
            QVERIFY(client.Open(server_->Port()));
            client.Hello(QStringLiteral("wrong"));
            QVERIFY(client.WaitClosed());
        }
        // Even the right token is refused while the address is blocked.
        RemoteClient blocked(Origin());
        blocked.Open(server_->Port());
        QVERIFY(blocked.WaitClosed());
        QCOMPARE(blocked.closeCode, StageServer::CloseBlocked);
        nowMs_ += 61'000;
        QVERIFY(Paired(server_->Tokens().ControlToken()));
    }

    void atMostSixteenClients()
    {
        std::vector<std::unique_ptr<RemoteClient>> clients;
        for (int i = 0; i < StageServer::MaxClients; ++i) {
            clients.push_back(Paired(server_->Tokens().WatchToken()));
            QVERIFY(clients.back());
        }
        RemoteClient extra(Origin());
        extra.Open(server_->Port());
        QVERIFY(extra.WaitClosed());
        QCOMPARE(extra.closeCode, StageServer::CloseFull);
        QCOMPARE(server_->Clients().size(), StageServer::MaxClients);
    }

    // What a client sends that is not a valid command changes nothing.
    void badMessagesGetAnErrorAndChangeNothing_data()
    {
        QTest::addColumn<bool>("control");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("code");
        const QString undo = R"({"type":"command","cmd":"undo","id":3})";
        QTest::newRow("watch only") << false << undo << "watch-only";
        QTest::newRow("malformed JSON") << true << R"({"type":"command",)" << "malformed";
        QTest::newRow("an array") << true << "[1,2]" << "malformed";
        QTest::newRow("unknown command") << true << R"({"type":"command","cmd":"format"})" << "unknown-command";
        QTest::newRow("row out of range") << true << R"({"type":"command","cmd":"setNotch","channel":0,"row":13,"gainDb":-3})"
                                          << "malformed";
        QTest::newRow("gain not an integer") << true << R"({"type":"command","cmd":"setNotch","channel":0,"row":5,"gainDb":-3.5})"
                                             << "malformed";
        QTest::newRow("channel a text") << true << R"({"type":"command","cmd":"keep","channel":"0"})" << "malformed";
        QTest::newRow("search without on") << true << R"({"type":"command","cmd":"search","which":"left"})" << "malformed";
        QTest::newRow("over 64 KiB") << true << QString(R"({"type":"command","cmd":"undo","pad":"%1"})").arg(QString(70000, 'x'))
                                     << "too-large";
    }
    void badMessagesGetAnErrorAndChangeNothing()
    {
        QFETCH(bool, control);
        QFETCH(QString, text);
        QFETCH(QString, code);
        const std::unique_ptr<RemoteClient> client =
            Paired(control ? server_->Tokens().ControlToken() : server_->Tokens().WatchToken());
        QVERIFY(client);
        const qsizetype before = client->messages.size();
        client->SendText(text);
        const std::optional<QJsonObject> error = client->WaitFor(QStringLiteral("error"), before);
        QVERIFY(error);
        QCOMPARE(error->value("code").toString(), code);
        QVERIFY(commands_.isEmpty());
        // The client stays connected and may go on.
        QVERIFY(!client->closed);
    }

    void commandsOfAFullControlClientReachTheProgram()
    {
        const std::unique_ptr<RemoteClient> client = Paired(server_->Tokens().ControlToken());
        QVERIFY(client);
        const qsizetype before = client->messages.size();
        client->Send(Command(QStringLiteral("search"), {{"which", "right"}, {"on", true}}));
        const std::optional<QJsonObject> reply = client->WaitFor(QStringLiteral("reply"), before);
        QVERIFY(reply);
        QCOMPARE(reply->value("id").toInt(), 7);
        QCOMPARE(commands_.size(), 1);
        QCOMPARE(commands_[0].kind, RemoteCommandKind::Search);
        QCOMPARE(commands_[0].box, 2);
        QVERIFY(commands_[0].on);
        QVERIFY(server_->Clients().front().lastAction.endsWith(QLatin1String("search")));
    }

    // A change of the model reaches every client, naming its origin and
    // holding the channel that changed.
    void changesReachEveryClient()
    {
        const std::unique_ptr<RemoteClient> a = Paired(server_->Tokens().ControlToken());
        const std::unique_ptr<RemoteClient> b = Paired(server_->Tokens().WatchToken());
        QVERIFY(a && b);
        const qsizetype fromA = a->messages.size();
        const qsizetype fromB = b->messages.size();
        model_->SetNotchGain(12 + 5, 20, ChangeOrigin::DeviceReport);
        for (auto [client, from] : {std::pair{a.get(), fromA}, std::pair{b.get(), fromB}}) {
            const std::optional<QJsonObject> change = client->WaitFor(QStringLiteral("change"), from);
            QVERIFY(change);
            QCOMPARE(change->value("origin").toString(), QStringLiteral("report"));
            const QJsonArray channels = change->value("channels").toArray();
            QCOMPARE(channels.size(), 1);
            const QJsonObject right = channels[0].toObject();
            QCOMPARE(right.value("channel").toInt(), 1);
            QCOMPARE(right.value("notches").toArray()[5].toObject().value("gainDb").toInt(), -25);
        }
    }

    // A client that stops reading is sent no more than a bounded amount;
    // once it reads again it gets the whole state, fresh.
    void stalledClientIsBoundedThenGetsTheState()
    {
        QTcpSocket raw;
        // A small window, so that what it does not read stays with the server.
        raw.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
        raw.setReadBufferSize(4096);
        raw.connectToHost(Loopback, server_->Port());
        QVERIFY(raw.waitForConnected(3000));
        const QByteArray port = QByteArray::number(server_->Port());
        raw.write("GET /ws HTTP/1.1\r\nHost: 127.0.0.1:" + port
                  + "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                    "Sec-WebSocket-Version: 13\r\nOrigin: http://127.0.0.1:" + port + "\r\n\r\n");
        QVERIFY(QTest::qWaitFor([&] { return raw.bytesAvailable() > 0; }, 3000));
        raw.write(MaskedFrame(0x1, R"({"type":"hello","api":1,"token":")" + server_->Tokens().WatchToken().toLatin1() + R"("})"));
        QVERIFY(QTest::qWaitFor([&] { return server_->Clients().size() == 1; }, 3000));
        QByteArray stream;
        // Changes of about 1.6 KB each while it reads nothing: 10 MB in all.
        constexpr int Changes = 6000;
        for (int i = 0; i < Changes; ++i) {
            model_->SetNotchGain(i % 12, (i / 12) % 2 == 0 ? 20 : 30, ChangeOrigin::DeviceReport);
            QCoreApplication::processEvents();
        }
        QVERIFY(!QTest::qWaitFor([&] { return server_->Clients().isEmpty(); }, 200));
        // It reads again, as fast as it can, answering the server's pings
        // as a browser does: everything that was held for it, then a state.
        raw.setReadBufferSize(0);
        QList<QJsonObject> messages;
        qsizetype at = 0;
        const auto take = [&](int opcode, const QByteArray &payload) {
            if (opcode == 0x1)
                messages << QJsonDocument::fromJson(payload).object();
            else if (opcode == 0x9)
                raw.write(MaskedFrame(0xA, payload));
        };
        (void)QTest::qWaitFor(
            [&] {
                stream += raw.readAll();
                TakeFrames(stream, at, take);
                return messages.size() > 2 && messages.last().value("type").toString() == "state";
            },
            10000);
        QVERIFY(messages.size() > 2);
        QCOMPARE(messages.last().value("type").toString(), QStringLiteral("state"));
        // What it had not confirmed stayed within 256 KiB, whatever the
        // kernel's buffers held: the messages before the state are few.
        qint64 changeBytes = 0;
        for (qsizetype i = 2; i + 1 < messages.size(); ++i)
            changeBytes += QJsonDocument(messages[i]).toJson(QJsonDocument::Compact).size();
        QVERIFY2(changeBytes <= StageServer::MaxBehindBytes, qPrintable(QString::number(changeBytes)));
        const QJsonObject last = messages.last();
        QCOMPARE(last.value("channels").toArray()[0].toObject().value("notches").toArray()[(Changes - 1) % 12].toObject().value("gainDb").toInt(),
                 ((Changes - 1) / 12) % 2 == 0 ? 20 - 45 : 30 - 45);
    }

    // A notch narrower than five grid points keeps its depth on the page.
    void curveKeepsANarrowNotchsDepth()
    {
        std::vector<double> db(730, 0.0);
        db[367] = -30.0;
        db[366] = db[368] = -12.0;
        const QJsonArray curve = ChannelJson(*model_, 0, db).value("curve").toArray();
        QCOMPARE(curve.size(), 146);
        QCOMPARE(curve[367 / 5].toDouble(), -30.0);
        QCOMPARE(curve[367 / 5 + 1].toDouble(), 0.0);
    }

    void newCodesEndEveryLink()
    {
        const QString old = server_->Tokens().ControlToken();
        const std::unique_ptr<RemoteClient> client = Paired(old);
        QVERIFY(client);
        server_->NewCodes();
        QVERIFY(client->WaitClosed());
        QCOMPARE(client->closeCode, StageServer::CloseEnded);
        QVERIFY(server_->Tokens().ControlToken() != old);
        RemoteClient again(Origin());
        QVERIFY(again.Open(server_->Port()));
        again.Hello(old);
        QVERIFY(again.WaitClosed());
        QCOMPARE(again.closeCode, StageServer::CloseUnauthorized);
    }

    // A connection that never finishes its request, or one of too many, is
    // cut off before it costs the program more than a bounded amount.
    void endlessRequestIsCutOff()
    {
        QTcpSocket raw;
        raw.connectToHost(Loopback, server_->Port());
        QVERIFY(raw.waitForConnected(3000));
        raw.write("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Pad: ");
        const QByteArray chunk(64 * 1024, 'a');
        qint64 sent = 0;
        while (raw.state() == QAbstractSocket::ConnectedState && sent < 16 * 1024 * 1024) {
            raw.write(chunk);
            sent += chunk.size();
            QTest::qWait(5);
        }
        QVERIFY(QTest::qWaitFor([&] { return raw.state() == QAbstractSocket::UnconnectedState; }, 5000));
        QVERIFY2(sent < 4 * 1024 * 1024, qPrintable(QString::number(sent)));
    }
    void atMostThirtyTwoOpenRequests()
    {
        std::vector<std::unique_ptr<QTcpSocket>> idle;
        for (int i = 0; i < 32; ++i) {
            idle.push_back(std::make_unique<QTcpSocket>());
            idle.back()->connectToHost(Loopback, server_->Port());
            QVERIFY(idle.back()->waitForConnected(3000));
        }
        QTest::qWait(100);
        QTcpSocket extra;
        extra.connectToHost(Loopback, server_->Port());
        QVERIFY(extra.waitForConnected(3000));
        QVERIFY(QTest::qWaitFor([&] { return extra.state() == QAbstractSocket::UnconnectedState; }, 3000));
        // One of them goes: there is room again.
        idle.front()->abort();
        idle.erase(idle.begin());
        QTest::qWait(100);
        QVERIFY(Paired(server_->Tokens().WatchToken()));
    }

    // Only the page's own files are served; the state needs a token.
    void pageOverHttp_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("authorization");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("type");
        QTest::newRow("the page") << "/" << QByteArray() << 200 << "text/html; charset=utf-8";
        QTest::newRow("its script") << "/remote.js" << QByteArray() << 200 << "text/javascript; charset=utf-8";
        QTest::newRow("state without a token") << "/state" << QByteArray() << 401 << "text/plain; charset=utf-8";
        QTest::newRow("state with a wrong token") << "/state" << QByteArray("Bearer nope") << 401 << "text/plain; charset=utf-8";
        QTest::newRow("state with a token") << "/state" << QByteArray("Bearer %1") << 200 << "application/json";
        QTest::newRow("a file of the system") << "/../../etc/passwd" << QByteArray() << 404 << "text/plain; charset=utf-8";
        QTest::newRow("a resource path") << "/:/remote/index.html" << QByteArray() << 404 << "text/plain; charset=utf-8";
        QTest::newRow("the token in the path") << "/%1" << QByteArray() << 404 << "text/plain; charset=utf-8";
    }
    void pageOverHttp()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, authorization);
        QFETCH(int, status);
        QFETCH(QString, type);
        const QString token = server_->Tokens().WatchToken();
        QNetworkAccessManager manager;
        QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(server_->Port()) + QString(path).replace("%1", token)));
        if (!authorization.isEmpty())
            request.setRawHeader("Authorization", authorization.replace("%1", token.toLatin1()));
        QNetworkReply *reply = manager.get(request);
        QVERIFY(QTest::qWaitFor([&] { return reply->isFinished(); }, 5000));
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
        QCOMPARE(QString::fromLatin1(reply->rawHeader("Content-Type")), type);
        QVERIFY(reply->rawHeader("Content-Security-Policy").contains("connect-src 'self'"));
        if (status == 200 && path == "/state")
            QCOMPARE(QJsonDocument::fromJson(reply->readAll()).object().value("type").toString(), QStringLiteral("state"));
        delete reply;
    }
};

QTEST_GUILESS_MAIN(RemoteServerTest)
#include "tst_remote_server.moc"
