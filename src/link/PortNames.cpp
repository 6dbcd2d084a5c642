#include "link/PortNames.h"

#include <QSerialPortInfo>

#include <algorithm>

namespace ksr {

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
        const QStringList entries = portsVariable.split(separator);
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
