#include "shell/RemoteOptions.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace ksr {

namespace {

// Qt's own options of a window program, taken and passed on to Qt.
constexpr const char *QtValueOptions[] = {"platform", "platformpluginpath", "platformtheme", "plugin",
                                          "qwindowgeometry", "qwindowicon", "qwindowtitle", "session",
                                          "display", "geometry", "style", "stylesheet", "qmljsdebugger"};
constexpr const char *QtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

QCommandLineOption Hidden(QCommandLineOption option)
{
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    return option;
}

} // namespace

std::variant<RemoteOptions, CommandLineText, CommandLineRefusal> ParseRemoteOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    // "-platform offscreen" as Qt spells its options, and "--port 2" as ours.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringLiteral("help"));
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption startFolder(QStringLiteral("start-folder"), {}, QStringLiteral("DIR"));
    const QCommandLineOption userFolder(QStringLiteral("user-folder"));
    const QCommandLineOption trace(QStringLiteral("trace"), {}, QStringLiteral("FILE"));
    const QCommandLineOption remote(QStringLiteral("remote"), {}, QStringLiteral("ADDRESS:PORT"));
    const QCommandLineOption printLinks(QStringLiteral("print-remote-links"));
    parser.addOptions({help, version, startFolder, userFolder, trace, remote, printLinks});
    parser.addOptions(PortOptions());
    for (const char *name : QtValueOptions)
        parser.addOption(Hidden(QCommandLineOption(QString::fromLatin1(name), {}, QStringLiteral("VALUE"))));
    for (const char *name : QtFlagOptions)
        parser.addOption(Hidden(QCommandLineOption(QString::fromLatin1(name))));

    if (!parser.parse(arguments))
        return CommandLineRefusal{parser.errorText() + QStringLiteral(" See --help.")};
    if (parser.isSet(help))
        return CommandLineText{RemoteHelpText()};
    if (parser.isSet(version))
        return CommandLineText{QStringLiteral("ksr704-remote %1\n").arg(QStringLiteral(KSR704_VERSION))};
    if (!parser.positionalArguments().isEmpty())
        return CommandLineRefusal{
            QStringLiteral("unexpected argument \"%1\"; see --help").arg(parser.positionalArguments().constFirst())};

    RemoteOptions options;
    if (const QString refusal = ReadPortChoice(parser, options.portChoice); !refusal.isEmpty())
        return CommandLineRefusal{refusal};
    options.userFolder = parser.isSet(userFolder);
    options.startFolder = parser.value(startFolder);
    if (parser.isSet(startFolder) && options.startFolder.isEmpty())
        return CommandLineRefusal{QStringLiteral("--start-folder expects a folder")};
    if (options.userFolder && parser.isSet(startFolder))
        return CommandLineRefusal{QStringLiteral("--start-folder and --user-folder exclude each other")};
    options.tracePath = parser.value(trace);
    if (parser.isSet(trace) && options.tracePath.isEmpty())
        return CommandLineRefusal{QStringLiteral("--trace expects a file")};
    if (parser.isSet(remote)) {
        const QString value = parser.value(remote);
        const qsizetype colon = value.lastIndexOf(QLatin1Char(':'));
        bool portOk = false;
        const uint port = colon < 0 ? 0 : value.mid(colon + 1).toUInt(&portOk);
        const QHostAddress address(colon < 0 ? QString() : value.left(colon));
        if (!portOk || port > 65535 || address.isNull())
            return CommandLineRefusal{QStringLiteral("--remote expects ADDRESS:PORT, such as 127.0.0.1:47704")};
        options.remoteAddress = address;
        options.remotePort = static_cast<quint16>(port);
    }
    options.printRemoteLinks = parser.isSet(printLinks);
    if (options.printRemoteLinks && !parser.isSet(remote))
        return CommandLineRefusal{QStringLiteral("--print-remote-links needs --remote")};
    return options;
}

QString ChosenStartFolder(const RemoteOptions &options, const QString &userDataFolder, QString &error)
{
    if (options.userFolder) {
        // With its preset folder, where the preset file dialogs open.
        if (userDataFolder.isEmpty() || !QDir().mkpath(QDir(userDataFolder).filePath(QStringLiteral("Preset")))) {
            error = QStringLiteral("cannot create the user's data folder \"%1\"").arg(userDataFolder);
            return {};
        }
        return userDataFolder;
    }
    if (options.startFolder.isEmpty())
        return {};
    if (!QFileInfo(options.startFolder).isDir()) {
        error = QStringLiteral("start folder \"%1\" is not a folder").arg(options.startFolder);
        return {};
    }
    return QFileInfo(options.startFolder).absoluteFilePath();
}

QString RemoteHelpText()
{
    return QStringLiteral(R"(NAME
    ksr704-remote - remote control of the KSR-704 feedback suppressor

SYNOPSIS
    ksr704-remote [--port N | --device PATH] [--start-folder DIR | --user-folder]
                  [--trace FILE] [--remote ADDRESS:PORT [--print-remote-links]]
    ksr704-remote --help | --version

DESCRIPTION
    Finds the KSR-704 on a serial port, reads its presets and current
    settings and mirrors every parameter in one editor window, sending each
    change the moment it is made. Without a device it offers demo mode.

    Without options the port saved in init.cfg of the start folder is
    probed first, then ports 1 to 35; the port that answered is saved in
    init.cfg. The start folder is the current folder; it holds init.cfg,
    and the preset file dialogs open in its Preset folder.

OPTIONS
    --port N
        Probe port N only (numbered as in KSR704_PORTS, else the system's
        ports), skipping the saved port and the search; with no answer,
        demo mode is offered. N is saved in init.cfg.
    --device PATH
        Probe the serial device at PATH only; a name without "/" (ttyUSB0,
        COM3) is the system's port of that name, and tcp://HOST:PORT a
        serial device server on the network. init.cfg is not written.
    --start-folder DIR
        DIR, which must exist, stands for the start folder.
    --user-folder
        The user's data folder stands for the start folder; it is created,
        with its Preset folder, when missing. The desktop menu starts the
        program so.
    --trace FILE
        Writes every frame sent to the device and every answer to FILE as
        they happen, one line each: the seconds since the program started,
        the time of day (UTC), the exchange's number, how often its frame
        was sent before, the bytes, and in brackets what made an answer
        unsound (stray bytes, a reply in parts, a garbled reply, no answer).
        FILE, taken from the folder the program was started in, is
        replaced; each line is written at once, so that the trace survives
        a crash or "Time out". For bug reports. Without it the last 2,000
        lines are kept in memory only: View > Save line trace... writes them.
    --remote ADDRESS:PORT
        Turns the stage remote on for this run once start-up is done,
        listening on ADDRESS (such as 127.0.0.1, or 0.0.0.0 for every
        address) and PORT (0: a free one, which the links name), whatever
        the Stage remote window saved.
    --print-remote-links
        With --remote: once the remote listens, prints its two pairing
        links on standard output, "remote control: LINK" and "remote
        watch: LINK". Whoever reads them can get in: for scripts and tests
        on the same machine.
    --help
        This page.
    --version
        The program's version.

    Qt's own options (-platform, -style, ...) are passed on to Qt.

ENVIRONMENT
    KSR704_PORTS
        Device paths and tcp://HOST:PORT ports separated by ":" (";" on
        Windows): port n is the n-th.

EXIT STATUS
    0  the program ended normally
    1  "Time out" at the exit command: the device did not answer it
    2  the command line was refused, the start folder is not usable, or
       the --trace file cannot be written; no window was opened

EXAMPLE
    ksr704-remote --device /dev/ttyUSB0 --user-folder
    ksr704-remote --device tcp://192.168.1.40:4001
)");
}

} // namespace ksr
