#include "BenchClients.h"

#include "core/Clock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace ksr::bench {

namespace {

// Runs the event loop until `done` or `ms` have passed; whether `done`.
template <typename Done>
bool WaitFor(Done done, int ms)
{
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

// Writes all of `bytes` to `fd`; false when it could not.
bool WriteAll(int fd, const QByteArray &bytes)
{
    qsizetype at = 0;
    while (at < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + at, static_cast<size_t>(bytes.size() - at));
        if (n <= 0)
            return false;
        at += n;
    }
    return true;
}

// A client's text frame: masked, as a client must send it.
QByteArray MaskedTextFrame(const QByteArray &payload)
{
    QByteArray frame;
    frame.append(char(0x81));
    if (payload.size() < 126) {
        frame.append(char(0x80 | payload.size()));
    } else {
        frame.append(char(0x80 | 126));
        frame.append(char(payload.size() >> 8));
        frame.append(char(payload.size() & 0xFF));
    }
    const char mask[4] = {0x12, 0x34, 0x56, 0x78};
    frame.append(mask, 4);
    for (qsizetype i = 0; i < payload.size(); ++i)
        frame.append(char(payload[i] ^ mask[i % 4]));
    return frame;
}

QByteArray HelloText(const QString &token)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("type"), QStringLiteral("hello")},
                                     {QStringLiteral("api"), 1},
                                     {QStringLiteral("token"), token}})
        .toJson(QJsonDocument::Compact);
}

} // namespace

ReportClient::ReportClient(const QString &origin) : socket_(origin)
{
    QObject::connect(&socket_, &QWebSocket::textMessageReceived, &socket_, [this](const QString &text) {
        const double at = SteadyClock().NowSeconds();
        // Keys come in order: "origin" before "type"; a report's change
        // says where it came from.
        if (text.contains(QLatin1String("\"origin\":\"report\"")) && text.contains(QLatin1String("\"type\":\"change\""))) {
            reportTimes.push_back(at);
            return;
        }
        const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
        const QString type = message.value(QStringLiteral("type")).toString();
        if (type == QLatin1String("state"))
            stateSeen_ = true;
        else if ((type == QLatin1String("reply") || type == QLatin1String("error")) && message.contains(QStringLiteral("id"))) {
            ++answered_;
            answerOk_ = type == QLatin1String("reply");
        }
    });
    QObject::connect(&socket_, &QWebSocket::disconnected, &socket_, [this] { closed_ = true; });
}

bool ReportClient::Connect(quint16 port, const QString &token)
{
    socket_.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/ws").arg(port)));
    if (!WaitFor([&] { return socket_.state() == QAbstractSocket::ConnectedState || closed_; }, 10000) || closed_)
        return false;
    socket_.sendTextMessage(QString::fromUtf8(HelloText(token)));
    return WaitFor([&] { return stateSeen_ || closed_; }, 10000) && !closed_;
}

bool ReportClient::Command(const QJsonObject &command)
{
    QJsonObject message = command;
    message.insert(QStringLiteral("type"), QStringLiteral("command"));
    message.insert(QStringLiteral("id"), nextId_++);
    const int before = answered_;
    socket_.sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
    return WaitFor([&] { return answered_ > before || closed_; }, 30000) && answered_ > before && answerOk_;
}

void ReportClient::Close()
{
    if (closed_)
        return;
    socket_.close();
    WaitFor([&] { return closed_; }, 5000);
}

bool SetSearch(ReportClient &client, bool on)
{
    return client.Command({{QStringLiteral("cmd"), QStringLiteral("search")},
                           {QStringLiteral("which"), QStringLiteral("both")},
                           {QStringLiteral("on"), on}});
}

StalledClient::~StalledClient()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool StalledClient::Connect(quint16 port, const QString &token, int receiveBytes)
{
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd_ < 0)
        return false;
    // Before connecting, so that the window offered to the server is small.
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBytes, sizeof receiveBytes);
    const timeval timeout{10, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
        return false;
    const QByteArray host = "127.0.0.1:" + QByteArray::number(port);
    const QByteArray request = "GET /ws HTTP/1.1\r\nHost: " + host + "\r\nOrigin: http://" + host
        + "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
          "Sec-WebSocket-Version: 13\r\n\r\n";
    if (!WriteAll(fd_, request))
        return false;
    // The server's answer to the handshake, read one byte at a time so that
    // nothing after it is taken in.
    QByteArray answer;
    char c = 0;
    while (!answer.endsWith("\r\n\r\n") && answer.size() < 4096) {
        if (::read(fd_, &c, 1) != 1)
            return false;
        answer.append(c);
    }
    if (!answer.startsWith("HTTP/1.1 101"))
        return false;
    return WriteAll(fd_, MaskedTextFrame(HelloText(token)));
}

StalledClient::ServerSide StalledClient::Server(quint16 serverPort) const
{
    sockaddr_in own{};
    socklen_t length = sizeof own;
    if (::getsockname(fd_, reinterpret_cast<sockaddr *>(&own), &length) != 0)
        return {};
    // "sl local rem st tx_queue:rx_queue ...", addresses as HEX-IP:HEX-PORT.
    const QByteArray local = QByteArray::number(serverPort, 16).toUpper().rightJustified(4, '0');
    const QByteArray remote = QByteArray::number(ntohs(own.sin_port), 16).toUpper().rightJustified(4, '0');
    QFile file(QStringLiteral("/proc/net/tcp"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() > 4 && f[1].endsWith(":" + local) && f[2].endsWith(":" + remote))
            return {f[3].toInt(nullptr, 16), f[4].split(':').value(0).toLongLong(nullptr, 16)};
    }
    return {};
}

} // namespace ksr::bench
