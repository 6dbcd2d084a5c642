#pragma once
// The text of the last system call's error, for the simulator's messages.

#include <QString>

#include <cerrno>
#include <cstring>

namespace ksr::sim {

// "what: reason", the reason from errno.
inline QString SystemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(what), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace ksr::sim
