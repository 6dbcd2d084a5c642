// ksr704-sim: the simulated device on a pseudo-terminal or a TCP socket.
#include "core/EventDispatcher.h"
#include "sim/DeviceLink.h"
#include "sim/LineServer.h"
#include "sim/PtyServer.h"
#include "sim/SignalWatcher.h"
#include "sim/SimDevice.h"
#include "sim/SimOptions.h"
#include "sim/StateFile.h"
#include "sim/TcpServer.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <csignal>
#include <cstdio>
#include <vector>

namespace {

using namespace ksr::sim;

// Exit statuses: a failure to serve, and refused options (as the other programs refuse theirs).
constexpr int ExitFailed = 1;
constexpr int ExitRefused = 2;

// Prints the message on stderr and gives back `status`.
int Fail(const QString &message, int status = ExitFailed)
{
    std::fprintf(stderr, "ksr704-sim: %s\n", qPrintable(message));
    return status;
}

void PrintLine(const QString &line)
{
    std::fprintf(stdout, "%s\n", qPrintable(line));
    std::fflush(stdout);
}

// Steady-clock seconds as the log prints them.
QString Seconds(double seconds)
{
    return QString::number(seconds, 'f', 6);
}

QString Hex(const ksr::Frame &frame)
{
    return QByteArray(reinterpret_cast<const char *>(frame.data()), static_cast<qsizetype>(frame.size()))
        .toHex(' ')
        .toUpper();
}

// Loads the state file when there is one; a file that is there but no valid
// state is an error, so a mistyped path cannot overwrite someone's file.
bool LoadStateFile(SimDevice &device, const QString &path, QString *error)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return true;
    const auto bytes = ReadStateFile(path, error);
    if (!bytes)
        return false;
    if (!device.LoadState(*bytes)) {
        *error = QStringLiteral("%1 is not a valid simulator state file").arg(path);
        return false;
    }
    device.MarkSaved();
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (!SignalWatcher::BlockEndSignals())
        return Fail(QStringLiteral("cannot block signals"));
    // The device answers as soon as it is due: the cheaper wake-ups count.
    ksr::UseQtEventDispatcher();
    QCoreApplication app(argc, argv);
    const auto parsed = ParseSimOptions(app.arguments());
    if (const auto *show = std::get_if<ShowText>(&parsed)) {
        std::fputs(qPrintable(show->text), stdout);
        return 0;
    }
    if (const auto *bad = std::get_if<OptionError>(&parsed))
        return Fail(bad->message, ExitRefused);
    const SimOptions &options = std::get<SimOptions>(parsed);

    SimDevice device;
    QString error;
    if (!LoadStateFile(device, options.statePath, &error))
        return Fail(error);
    device.SetFaults(options.faults);
    device.SetReportInterval(options.reportInterval);

    int saveFailures = 0;
    int framesReceived = 0;
    LineServer *timed = nullptr;
    bool dropped = false;
    TcpServer *tcp = nullptr;
    LineServer line(device, options.ByteSeconds(), [&] {
        framesReceived += static_cast<int>(device.ReceivedFrames().size());
        if (options.log && timed) {
            const std::vector<double> times = timed->TakeFrameReadTimes();
            const auto &frames = device.ReceivedFrames();
            for (std::size_t i = 0; i < frames.size(); ++i) {
                const QString at = i < times.size() ? Seconds(times[i]) : QStringLiteral("?");
                PrintLine(Hex(frames[i]) + QStringLiteral(" @ ") + at);
            }
        } else if (options.log) {
            for (const ksr::Frame &frame : device.ReceivedFrames())
                PrintLine(Hex(frame));
        }
        device.ClearReceivedFrames();
        // The frame goes unanswered: the connection ends before the reply.
        if (tcp && options.dropAfter > 0 && framesReceived >= options.dropAfter && !dropped) {
            dropped = true;
            tcp->DropClient();
        }
        if (!options.statePath.isEmpty() && device.StateChanged()) {
            QString saveError;
            if (WriteStateFile(options.statePath, device.SaveState(), &saveError))
                device.MarkSaved();
            else if (saveFailures++ == 0)
                std::fprintf(stderr, "ksr704-sim: %s\n", qPrintable(saveError));
        }
    });
    line.SetFloodAfter(options.floodAfter);
    if (options.logTimes) {
        timed = &line;
        line.SetTiming([](qsizetype bytes, double at) {
            PrintLine(QStringLiteral("sent %1 @ %2").arg(bytes).arg(Seconds(at)));
        });
    }
    PtyServer pty(line);
    TcpServer tcpServer(line);
    DeviceLink link;
    QString served;
    if (options.tcp) {
        // A client that went away must not end the simulator.
        std::signal(SIGPIPE, SIG_IGN);
        if (!tcpServer.Start(*options.tcp, &error))
            return Fail(error);
        tcp = &tcpServer;
        served = tcpServer.Url();
    } else {
        if (!pty.Start(&error))
            return Fail(error);
        if (!options.linkPath.isEmpty() && !link.Create(options.linkPath, pty.DevicePath(), &error))
            return Fail(error);
        served = pty.DevicePath();
    }

    const SignalWatcher watcher(&app, [&app](int) { app.quit(); });
    PrintLine(served);
    return app.exec();
}
