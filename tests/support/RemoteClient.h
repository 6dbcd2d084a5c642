#pragma once
// A stage-remote client for tests: a WebSocket to the program's server on
// 127.0.0.1 that keeps every message it is sent.

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QWebSocket>

#include <optional>

namespace ksr::test {

// A WebSocket client that keeps every message it is sent.
class RemoteClient {
public:
    explicit RemoteClient(const QString &origin) : socket_(origin)
    {
        QObject::connect(&socket_, &QWebSocket::textMessageReceived, &socket_, [this](const QString &text) {
            messages.append(QJsonDocument::fromJson(text.toUtf8()).object());
        });
        QObject::connect(&socket_, &QWebSocket::disconnected, &socket_, [this] {
            closed = true;
            closeCode = socket_.closeCode();
        });
    }
    bool Open(quint16 port, const QString &path = QStringLiteral("/ws"))
    {
        socket_.open(QUrl(QStringLiteral("ws://127.0.0.1:%1%2").arg(port).arg(path)));
        return QTest::qWaitFor([&] { return socket_.state() == QAbstractSocket::ConnectedState || closed; }, 5000)
            && !closed;
    }
    void Send(const QJsonObject &message) { socket_.sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson())); }
    void SendText(const QString &text) { socket_.sendTextMessage(text); }
    void Hello(const QString &token)
    {
        Send({{QStringLiteral("type"), QStringLiteral("hello")}, {QStringLiteral("api"), 1}, {QStringLiteral("token"), token}});
    }
    // Waits for a message of `type`; the first such one since `from`.
    std::optional<QJsonObject> WaitFor(const QString &type, qsizetype from = 0)
    {
        std::optional<QJsonObject> found;
        (void)QTest::qWaitFor(
            [&] {
                for (qsizetype i = from; i < messages.size(); ++i) {
                    if (messages[i].value(QStringLiteral("type")).toString() == type) {
                        found = messages[i];
                        return true;
                    }
                }
                return closed;
            },
            5000);
        return found;
    }
    bool WaitClosed() { return QTest::qWaitFor([&] { return closed; }, 5000); }
    QStringList Types() const
    {
        QStringList types;
        for (const QJsonObject &m : messages)
            types << m.value(QStringLiteral("type")).toString();
        return types;
    }

    QList<QJsonObject> messages;
    bool closed = false;
    int closeCode = 0;

private:
    QWebSocket socket_;
};

// A command message with id 7.
inline QJsonObject Command(const QString &cmd, const QJsonObject &fields = {})
{
    QJsonObject command = fields;
    command.insert(QStringLiteral("type"), QStringLiteral("command"));
    command.insert(QStringLiteral("cmd"), cmd);
    command.insert(QStringLiteral("id"), 7);
    return command;
}

} // namespace ksr::test
