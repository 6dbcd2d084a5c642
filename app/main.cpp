// ksr704-remote: the KSR-704's remote-control program.

#include "link/PortChoice.h"
#include "link/SystemSerialPort.h"
#include "core/EventDispatcher.h"
#include "shell/Program.h"
#include "shell/QtDialogs.h"
#include "shell/QtProgramEnd.h"
#include "shell/RemoteOptions.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QStandardPaths>

#include <cstdio>
#include <utility>
#include <variant>

namespace {

constexpr int ExitRefused = 2;

void PrintError(const QString &message)
{
    std::fprintf(stderr, "ksr704-remote: %s\n", message.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char *argv[])
{
    // The command line and the start folder are taken before Qt reaches the
    // display, so that --help, --version and their refusals need none.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const auto parsed = ksr::ParseRemoteOptions(arguments);
    if (const auto *text = std::get_if<ksr::CommandLineText>(&parsed)) {
        std::fputs(text->text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (const auto *refusal = std::get_if<ksr::CommandLineRefusal>(&parsed)) {
        PrintError(refusal->message);
        return ExitRefused;
    }
    const auto &options = std::get<ksr::RemoteOptions>(parsed);

    QCoreApplication::setApplicationName(QStringLiteral("ksr704-remote"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KSR704_VERSION));
    // A relative --device or --trace path is taken from the folder the program was started in.
    auto portPathFor = ksr::PortPathChooser(options.portChoice);
    const QString tracePath = options.tracePath.isEmpty() ? QString() : QFileInfo(options.tracePath).absoluteFilePath();
    QString folderError;
    const QString startFolder = ksr::ChosenStartFolder(
        options, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation), folderError);
    if (!folderError.isEmpty()) {
        PrintError(folderError);
        return ExitRefused;
    }
    if (!startFolder.isEmpty() && !QDir::setCurrent(startFolder)) {
        PrintError(QStringLiteral("cannot change to the start folder \"%1\"").arg(startFolder));
        return ExitRefused;
    }

    ksr::UseQtEventDispatcher();
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("ksr704-remote"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/ksr704-remote.svg")));
    // The program ends only through its own close request or a device time-out.
    QApplication::setQuitOnLastWindowClosed(false);

    ksr::SteadyClock clock;
    ksr::SystemSerialPort port(clock, portPathFor);
    ksr::QtDialogs dialogs;
    ksr::QtProgramEnd end;
    ksr::Program program(port, clock, dialogs, end);
    if (QString error; !tracePath.isEmpty() && !program.Link().Trace().WriteTo(tracePath, &error)) {
        PrintError(QStringLiteral("cannot write the line trace to %1: %2").arg(tracePath, error));
        return ExitRefused;
    }
    dialogs.SetParent(&program.MainWindow());
    program.SetPortPaths(std::move(portPathFor));
    if (options.portChoice.Given())
        program.ProbeOnlyPort(options.portChoice.ProbedPort(), options.portChoice.port > 0);
    if (!options.remoteAddress.isNull()) {
        const bool print = options.printRemoteLinks;
        program.SetRemoteAtStart(options.remoteAddress, options.remotePort, [&program, print] {
            if (!print)
                return;
            ksr::StageRemote &remote = program.Remote();
            const QString host = remote.Hosts().value(0);
            std::printf("remote control: %s\nremote watch: %s\n",
                        qPrintable(remote.Link(host, ksr::RemoteRights::Control)),
                        qPrintable(remote.Link(host, ksr::RemoteRights::Watch)));
            std::fflush(stdout);
        });
    }

    program.SplashForm_Load();
    if (end.Requested())
        return end.ExitCode();
    return QApplication::exec();
}
