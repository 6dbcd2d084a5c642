#include "link/PortChoice.h"

#include "core/TcpAddress.h"
#include "link/PortNames.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace ksr {

QList<QCommandLineOption> PortOptions()
{
    return {QCommandLineOption(QStringLiteral("port"), {}, QStringLiteral("N")),
            QCommandLineOption(QStringLiteral("device"), {}, QStringLiteral("PATH"))};
}

QString ReadPortChoice(const QCommandLineParser &parser, PortChoice &choice)
{
    const QString port = QStringLiteral("port");
    const QString device = QStringLiteral("device");
    choice = {};
    if (parser.isSet(port)) {
        bool ok = false;
        choice.port = parser.value(port).toInt(&ok, 10);
        if (!ok || choice.port < 1)
            return QStringLiteral("--port expects a port number of 1 or more, got \"%1\"").arg(parser.value(port));
        if (parser.isSet(device))
            return QStringLiteral("--port and --device exclude each other");
    }
    choice.devicePath = parser.value(device);
    if (parser.isSet(device) && choice.devicePath.isEmpty())
        return QStringLiteral("--device expects a path");
    if (IsTcpPath(choice.devicePath) && !ParseTcpAddress(choice.devicePath))
        return QStringLiteral("--device expects tcp://HOST:PORT with a port of 1 to 65535, got \"%1\"")
            .arg(choice.devicePath);
    return {};
}

QString ChosenDevicePath(const PortChoice &choice)
{
    if (IsTcpPath(choice.devicePath))
        return choice.devicePath;
    return choice.devicePath.contains(QLatin1Char('/')) ? QFileInfo(choice.devicePath).absoluteFilePath()
                                                        : choice.devicePath;
}

std::function<QString(int)> PortPathChooser(const PortChoice &choice)
{
    if (choice.devicePath.isEmpty())
        return SystemPortDevicePath;
    return [path = ChosenDevicePath(choice)](int) { return path; };
}

} // namespace ksr
