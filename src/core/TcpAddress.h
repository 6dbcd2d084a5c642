#pragma once
// A serial device server reached over TCP, named as a port path:
// tcp://HOST:PORT, the host an IPv4 address, an IPv6 address in brackets
// or a host name.

#include <QString>
#include <QStringView>

#include <optional>

namespace ksr {

struct TcpAddress {
    QString host; // without brackets
    quint16 port = 0;
};

// Whether `path` names a TCP port: it starts with tcp:// (in any case).
bool IsTcpPath(QStringView path);
// The host and port of a tcp:// path; nothing unless it is exactly
// tcp://HOST:PORT with a port of 1..65535, or, with `anyPort`, also 0 (a
// listening socket's "any free port").
std::optional<TcpAddress> ParseTcpAddress(const QString &path, bool anyPort = false);
// The tcp:// path of an address, an IPv6 host in brackets.
QString TcpPath(const TcpAddress &address);

} // namespace ksr
