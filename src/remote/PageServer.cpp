#include "remote/PageServer.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>

#include <array>

namespace ksr {

namespace {

struct PageFile {
    const char *path;
    const char *resource;
    const char *type;
};

constexpr std::array<PageFile, 3> PageFiles = {{
    {"/", ":/remote/index.html", "text/html; charset=utf-8"},
    {"/remote.js", ":/remote/remote.js", "text/javascript; charset=utf-8"},
    {"/remote.css", ":/remote/remote.css", "text/css; charset=utf-8"},
}};

// The page talks only to its own server, and may not be framed elsewhere.
constexpr const char *ContentPolicy = "default-src 'self'; img-src 'self' data:; style-src 'self'; script-src 'self'; "
                                      "connect-src 'self'; frame-ancestors 'none'; base-uri 'none'; form-action 'none'";

void Respond(QHttpServerResponder responder, const QByteArray &body, const QByteArray &type,
             QHttpServerResponder::StatusCode status)
{
    responder.write(body,
                    {{"Content-Type", type},
                     {"Cache-Control", "no-store"},
                     {"X-Content-Type-Options", "nosniff"},
                     {"Referrer-Policy", "no-referrer"},
                     {"X-Frame-Options", "DENY"},
                     {"Content-Security-Policy", ContentPolicy}},
                    status);
}

void RespondText(QHttpServerResponder responder, QHttpServerResponder::StatusCode status, const char *text)
{
    Respond(std::move(responder), QByteArray(text) + '\n', "text/plain; charset=utf-8", status);
}

} // namespace

PageServer::PageServer(std::function<QByteArray(const QString &)> stateFor, QObject *parent)
    : QAbstractHttpServer(parent), stateFor_(std::move(stateFor))
{
}

bool PageServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    using Status = QHttpServerResponder::StatusCode;
    // A WebSocket's handshake is taken as handled, unanswered: the server
    // then upgrades the connection itself.
    if (request.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0)
        return true;
    if (request.method() != QHttpServerRequest::Method::Get && request.method() != QHttpServerRequest::Method::Head) {
        RespondText(makeResponder(request, socket), Status::MethodNotAllowed, "Only GET is served here.");
        return true;
    }
    const QString path = request.url().path();
    if (path == QLatin1String("/state")) {
        const QByteArray authorization = request.value("authorization");
        const QByteArray prefix = "Bearer ";
        const QByteArray state = authorization.startsWith(prefix)
            ? stateFor_(QString::fromLatin1(authorization.mid(prefix.size()).trimmed()))
            : QByteArray();
        if (state.isEmpty())
            RespondText(makeResponder(request, socket), Status::Unauthorized, "A pairing token is needed.");
        else
            Respond(makeResponder(request, socket), state, "application/json", Status::Ok);
        return true;
    }
    for (const PageFile &file : PageFiles) {
        if (path != QLatin1String(file.path))
            continue;
        QFile resource(QString::fromLatin1(file.resource));
        if (!resource.open(QIODevice::ReadOnly)) {
            RespondText(makeResponder(request, socket), Status::InternalServerError, "The page is missing from the program.");
            return true;
        }
        Respond(makeResponder(request, socket), resource.readAll(), file.type, Status::Ok);
        return true;
    }
    RespondText(makeResponder(request, socket), Status::NotFound, "Not found.");
    return true;
}

void PageServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    RespondText(makeResponder(request, socket), QHttpServerResponder::StatusCode::NotFound, "Not found.");
}

} // namespace ksr
