#include "core/TcpAddress.h"

#include <QUrl>

namespace ksr {

bool IsTcpPath(QStringView path)
{
    return path.startsWith(u"tcp://", Qt::CaseInsensitive);
}

std::optional<TcpAddress> ParseTcpAddress(const QString &path, bool anyPort)
{
    if (!IsTcpPath(path))
        return std::nullopt;
    const QUrl url(path, QUrl::StrictMode);
    // Nothing but the host and the port: a user, a path or a query would
    // be silently ignored otherwise.
    if (!url.isValid() || url.host().isEmpty() || url.port() < (anyPort ? 0 : 1) || !url.userInfo().isEmpty()
        || !url.path().isEmpty() || url.hasQuery() || url.hasFragment())
        return std::nullopt;
    return TcpAddress{url.host(), static_cast<quint16>(url.port())};
}

QString TcpPath(const TcpAddress &address)
{
    const QString host = address.host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(address.host)
                                                                  : address.host;
    return QStringLiteral("tcp://%1:%2").arg(host).arg(address.port);
}

} // namespace ksr
