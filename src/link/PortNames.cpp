#include "link/PortNames.h"

#include "core/TcpAddress.h"

#include <QSerialPortInfo>

#include <algorithm>

namespace ksr {

namespace {

// The entries of a list separated by `separator`, each trimmed; a
// tcp://HOST:PORT entry keeps the colons of its host and port.
QStringList PortListEntries(const QString &list, QChar separator)
{
    QStringList entries;
    qsizetype at = 0;
    while (true) {
        qsizetype from = at;
        qsizetype start = at;
        while (start < list.size() && list.at(start).isSpace())
            ++start;
        if (separator == QLatin1Char(':') && IsTcpPath(QStringView(list).sliced(start))) {
            // Past the host (an IPv6 one up to its bracket) to the port's
            // colon, which belongs to the entry.
            const qsizetype host = start + 6;
            const qsizetype bracket =
                host < list.size() && list.at(host) == QLatin1Char('[') ? list.indexOf(QLatin1Char(']'), host) : -1;
            const qsizetype portColon = list.indexOf(separator, bracket >= 0 ? bracket : host);
            from = portColon < 0 ? list.size() : portColon + 1;
        }
        const qsizetype end = list.indexOf(separator, from);
        entries << list.mid(at, end < 0 ? -1 : end - at).trimmed();
        if (end < 0)
            return entries;
        at = end + 1;
    }
}

} // namespace

QString PortDevicePath(int number, const QString &portsVariable, bool portsVariableSet,
                       const QStringList &systemPorts)
{
    if (number < 1)
        return {};
    if (portsVariableSet) {
#ifdef Q_OS_WIN
        const QChar separator = QLatin1Char(';');
#else
        const QChar separator = QLatin1Char(':');
#endif
        const QStringList entries = PortListEntries(portsVariable, separator);
        return number <= entries.size() ? entries.at(number - 1).trimmed() : QString();
    }
#ifdef Q_OS_WIN
    Q_UNUSED(systemPorts);
    return QStringLiteral("COM%1").arg(number);
#else
    QStringList sorted = systemPorts;
    std::sort(sorted.begin(), sorted.end());
    return number <= sorted.size() ? sorted.at(number - 1) : QString();
#endif
}

QString SystemPortDevicePath(int number)
{
    const bool set = qEnvironmentVariableIsSet("KSR704_PORTS");
    QStringList systemPorts;
    if (!set) {
        const auto ports = QSerialPortInfo::availablePorts();
        for (const QSerialPortInfo &info : ports)
            systemPorts << info.systemLocation();
    }
    return PortDevicePath(number, qEnvironmentVariable("KSR704_PORTS"), set, systemPorts);
}

} // namespace ksr
