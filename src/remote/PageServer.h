#pragma once
// The HTTP side of the stage remote: the page, its script and styles from
// the program's resources, and the state for a request that carries a
// token. Nothing else is served, and no request path reaches a file.

#include <QAbstractHttpServer>

#include <functional>

namespace ksr {

class PageServer final : public QAbstractHttpServer {
public:
    // `stateFor`: the state as JSON text for a bearer token, empty when the
    // token gives no rights.
    explicit PageServer(std::function<QByteArray(const QString &token)> stateFor, QObject *parent = nullptr);

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    std::function<QByteArray(const QString &)> stateFor_;
};

} // namespace ksr
