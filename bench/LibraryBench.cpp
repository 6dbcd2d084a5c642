#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

#include "LibraryBench.h"

#include "BenchDevice.h"
#include "BenchSupport.h"
#include "FullDeviceState.h"
#include "presets/LibraryCommands.h"
#include "presets/RestoreDialog.h"

namespace ksr::bench {

namespace {

constexpr int Turns = 3;

// Runs the shipped ksr704-cli's `command` (backup or restore) with `folder`
// on the device at `path`: its wall time in seconds from its start to its
// exit, process start-up and its probe included; -1 when it failed.
double CliSeconds(const QString &path, const QString &command, const QString &folder)
{
    const SteadyClock clock;
    QProcess cli;
    // Its errors show; its closing summary would break up the table.
    cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    cli.setStandardOutputFile(QProcess::nullDevice());
    const double t0 = clock.NowSeconds();
    cli.start(QStringLiteral(KSR704_CLI_PATH), {QStringLiteral("--quiet"), QStringLiteral("--device"), path, command, folder});
    if (!cli.waitForFinished(300000) || cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0) {
        std::fprintf(stderr, "ksr704-cli %s on %s failed\n", qPrintable(command), qPrintable(path));
        return -1;
    }
    return clock.NowSeconds() - t0;
}

// Runs one of the main window's commands, from its call to its return (the
// closing message answered): its wall time in seconds; -1 when that message
// does not begin with `done`.
double WindowSeconds(BenchDevice &device, const std::function<void()> &command, const QString &done)
{
    device.dialogs.texts.clear();
    const double t0 = device.clock.NowSeconds();
    command();
    const double seconds = device.clock.NowSeconds() - t0;
    const QStringList &texts = device.dialogs.texts;
    if (device.end.ended || texts.isEmpty() || !texts.last().startsWith(done)) {
        std::fprintf(stderr, "the window's run failed: %s\n", qPrintable(texts.join(QLatin1Char('|'))));
        return -1;
    }
    return seconds;
}

// Whether folders `a` and `b` hold the same files, byte for byte.
bool SameFiles(const QDir &a, const QDir &b)
{
    const QStringList names = a.entryList(QDir::Files, QDir::Name);
    if (names.isEmpty() || names != b.entryList(QDir::Files, QDir::Name))
        return false;
    for (const QString &name : names) {
        QFile fileA(a.filePath(name));
        QFile fileB(b.filePath(name));
        if (!fileA.open(QIODevice::ReadOnly) || !fileB.open(QIODevice::ReadOnly) || fileA.readAll() != fileB.readAll())
            return false;
    }
    return true;
}

struct Medians {
    double cli = 0;    // seconds
    double window = 0; // seconds
};

// Runs `cli` and `window` (each given its turn, returning seconds or -1) in
// alternation, the CLI first, so that a burst of the machine's load falls on
// both alike; none when a run failed.
std::optional<Medians> Alternate(const std::function<double(int)> &cli, const std::function<double(int)> &window)
{
    std::vector<double> cliSeconds;
    std::vector<double> windowSeconds;
    for (int turn = 0; turn < Turns; ++turn) {
        cliSeconds.push_back(cli(turn));
        if (cliSeconds.back() < 0)
            return std::nullopt;
        windowSeconds.push_back(window(turn));
        if (windowSeconds.back() < 0)
            return std::nullopt;
    }
    return Medians{Median(cliSeconds), Median(windowSeconds)};
}

// The rows of `what` ("backup" or "restore").
void Rows(const QString &what, const Medians &medians)
{
    const auto seconds = [](double s) { return QString::number(s, 'f', 3) + QStringLiteral(" s"); };
    const QString label = what + QStringLiteral(", 1 used slot: ");
    Row(qPrintable(label + QStringLiteral("ksr704-cli wall")), seconds(medians.cli), QString());
    Row(qPrintable(label + QStringLiteral("main window wall")), seconds(medians.window), QString());
    Row(qPrintable(label + QStringLiteral("window / CLI")), QString::number(medians.window / medians.cli, 'f', 4),
        QStringLiteral("<= 1.05"));
}

} // namespace

bool LibraryFigures()
{
    // The program holds its port open, so the CLI has a simulator of its own,
    // started alike on the same state. The window's is opened last: its
    // folder is the program's start folder.
    BenchDevice cliDevice;
    BenchDevice windowDevice;
    if (!cliDevice.Open({}, OneSlotState()) || !windowDevice.Open({}, OneSlotState()))
        return false;
    Program *const program = windowDevice.StartProgram();
    if (!program)
        return false;
    LibraryCommands &library = program->Library();
    // The restore's list as it comes, all ticked, without the safety backup
    // (the CLI makes none).
    library.SetDialogRunner([](QDialog &dialog) {
        static_cast<RestoreDialog &>(dialog).SafetyCheck->setChecked(false);
        return int(QDialog::Accepted);
    });
    const QString cliPath = cliDevice.sim.PortPath();
    const auto cliFolder = [&](int turn) { return cliDevice.folder.filePath(QStringLiteral("backup%1").arg(turn)); };
    const auto windowFolder = [&](int turn) {
        return windowDevice.folder.filePath(QStringLiteral("backup%1").arg(turn));
    };

    const std::optional<Medians> backup = Alternate(
        [&](int turn) { return CliSeconds(cliPath, QStringLiteral("backup"), cliFolder(turn)); },
        [&](int turn) {
            windowDevice.dialogs.folderName = windowFolder(turn);
            return WindowSeconds(windowDevice, [&] { library.BackupDevice(); }, QStringLiteral("Backup complete"));
        });
    if (!backup)
        return false;
    if (!SameFiles(QDir(cliFolder(0)), QDir(windowFolder(0)))) {
        std::fprintf(stderr, "the window's backup differs from the CLI's\n");
        return false;
    }

    // Both restore the CLI's first backup: the device's own contents again.
    windowDevice.dialogs.folderName = cliFolder(0);
    const std::optional<Medians> restore = Alternate(
        [&](int) { return CliSeconds(cliPath, QStringLiteral("restore"), cliFolder(0)); },
        [&](int) { return WindowSeconds(windowDevice, [&] { library.RestoreDevice(); }, QStringLiteral("Restore complete")); });
    if (!restore)
        return false;
    Rows(QStringLiteral("backup"), *backup);
    Rows(QStringLiteral("restore"), *restore);
    return true;
}

} // namespace ksr::bench
