// ksr704-bench: the program's work with ksr704-sim at 4800 baud over a
// pseudo-terminal, through the real QSerialPort path, against the line's own
// limit; its CPU use while working and while idle; the time of one edit and
// of one curve; the dump and the store over a device server's TCP
// connection on loopback; its resident memory. Prints a table of medians.
// With --journal only the journal's figures, with --library only the main
// window's backup and restore against ksr704-cli's (LibraryBench.cpp).

#include "BenchDevice.h"
#include "BenchSupport.h"
#include "FullDeviceState.h"
#include "LibraryBench.h"

#include "link/PortNames.h"
#include "link/SystemSerialPort.h"
#include "operations/PresetMemory.h"
#include "core/EventDispatcher.h"
#include "graph/GraphPicture.h"
#include "shell/Program.h"
#include "sim/SimDevice.h"
#include "sim/SimProcess.h"

#include <QApplication>
#include <QCheckBox>
#include <QToolButton>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <malloc.h>

#include <cstdio>
#include <functional>
#include <memory>

using namespace ksr;
using namespace ksr::bench;

namespace {

constexpr int Runs = 3;

// The line's lower bound: the wire time of `exchanges` exchanges, `out`
// bytes to the device and `in` back each. The simulator's own turnaround
// (SimDevice::ReplyTurnaround an answer, and its scheduling) is not in it:
// it counts against the ratio, and is printed apart.
double LineSeconds(int exchanges, int out, int in)
{
    return exchanges * (out + in) * WireByteSeconds;
}

// Bytes the C heap has handed out and not yet got back.
std::size_t HeapInUse()
{
    return mallinfo2().uordblks;
}

struct Ratios {
    double wall = 0; // wall time / line lower bound
    double cpu = 0;  // CPU time / wall time
};

// Runs `work` `runs` times; medians of wall / line and CPU / wall.
Ratios Measure(const SteadyClock &clock, double lineSeconds, int runs, const std::function<void()> &work)
{
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        const double c0 = CpuSeconds();
        const double t0 = clock.NowSeconds();
        work();
        const double elapsed = clock.NowSeconds() - t0;
        wall.push_back(elapsed / lineSeconds);
        cpu.push_back((CpuSeconds() - c0) / elapsed);
    }
    return {Median(wall), Median(cpu)};
}

// Lets Qt's event loop run for `seconds`; the CPU share it took.
double IdleCpu(double seconds)
{
    const SteadyClock clock;
    const double c0 = CpuSeconds();
    const double t0 = clock.NowSeconds();
    QTimer::singleShot(int(seconds * 1000), qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    return (CpuSeconds() - c0) / (clock.NowSeconds() - t0);
}

QString Ratio(double r)
{
    return QString::number(r, 'f', 4);
}

QString Percent(double share)
{
    return QString::number(share * 100.0, 'f', 3) + QStringLiteral(" %");
}

// Peak resident memory of ksr704-remote after its start-up, in MiB.
double RemotePeakMiB(const QString &devicePath, const QString &folder)
{
    QProcess remote;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KSR704_PORTS"), devicePath);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    remote.setProcessEnvironment(env);
    remote.setWorkingDirectory(folder);
    remote.start(QStringLiteral(KSR704_REMOTE_PATH), {});
    if (!remote.waitForStarted(5000))
        return -1;
    // Splash 2 s, then the search and the dump at 4800 baud.
    QThread::sleep(15);
    QFile status(QStringLiteral("/proc/%1/status").arg(remote.processId()));
    double mib = -1;
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                mib = line.mid(6).trimmed().split(' ').front().toDouble() / 1024.0;
        }
    }
    remote.kill();
    remote.waitForFinished(5000);
    return mib;
}

// CPU over `seconds` of a feedback search on both channels, started anew
// every 5 s so that the device keeps placing and deepening notches.
double SearchCpu(Program &program, double seconds)
{
    QCheckBox *both = program.Editor().Check1[0];
    const double c0 = CpuSeconds();
    const SteadyClock clock;
    const double t0 = clock.NowSeconds();
    for (double done = 0; done < seconds; done += 5.0) {
        both->setChecked(true);
        IdleCpu(std::min(5.0, seconds - done));
        both->setChecked(false);
    }
    return (CpuSeconds() - c0) / (clock.NowSeconds() - t0);
}

// The ring-out journal's cost: a search that reports every 100 ms over the
// terminal, a minute without the journal and a minute with it written and
// its window open, in turns of 20 s so that a burst of the machine's load
// falls on both alike; false when the device was not found or a message came.
bool JournalFigures()
{
    BenchDevice device;
    if (!device.Open({QStringLiteral("--report-every"), QStringLiteral("100")}))
        return false;
    Program *const program = device.StartProgram();
    if (!program)
        return false;
    // The program's own listener, as its constructor sets it.
    const auto journaling = [&](const DeviceReport &report) { program->Journal().AddReport(report); };
    std::vector<double> alone;
    std::vector<double> journaled;
    for (int turn = 0; turn < 3; ++turn) {
        program->Reports().SetReportTaken({});
        if (program->JournalWindow())
            program->JournalWindow()->hide();
        alone.push_back(SearchCpu(*program, 20.0));
        program->Reports().SetReportTaken(journaling);
        program->ShowJournalWindow();
        journaled.push_back(SearchCpu(*program, 20.0));
    }
    QFile journal(program->Journal().TodaysPath());
    const int rows = journal.open(QIODevice::ReadOnly) ? static_cast<int>(journal.readAll().count('\n')) - 1 : 0;
    Row("search, a report every 100 ms, 3 x 20 s: CPU / wall", Percent(Median(alone)), QString());
    Row("  the same, journal written, window open", Percent(Median(journaled)), QString());
    Row("  the journal's share", Percent(Median(journaled) - Median(alone)), QStringLiteral("< 1 %"));
    Row("  rows the journal took in (its 60 s)", QString::number(rows), QString());
    return device.Quiet();
}

// The start-up, dump and store over tcp:// on loopback, the simulator
// pacing its line at 4800 baud as on the terminal; false when the device
// was not found or a message came.
bool TcpFigures(double dumpLine, double storeLine)
{
    BenchDevice device;
    if (!device.Open(sim::SimProcess::TcpLoopback()))
        return false;
    Program *const started = device.StartProgram();
    if (!started)
        return false;
    Program &program = *started;
    const SteadyClock &clock = device.clock;
    const Ratios dump = Measure(clock, dumpLine, Runs, [&] { program.Memory().DumpDeviceMemory(); });
    Row("tcp:// loopback, dump: wall / line", Ratio(dump.wall), QStringLiteral("<= 1.02"));
    Row("tcp:// loopback, dump: CPU / wall", Percent(dump.cpu), QStringLiteral("<= 2 %"));
    const Ratios store = Measure(clock, storeLine, Runs, [&] {
        program.Presets().StorePreset(5, QStringLiteral("Bench"), [] {});
    });
    Row("tcp:// loopback, store: wall / line", Ratio(store.wall), QStringLiteral("<= 1.02"));
    Row("tcp:// loopback, store: CPU / wall", Percent(store.cpu), QStringLiteral("<= 2 %"));
    return device.Quiet();
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    UseQtEventDispatcher();
    QApplication app(argc, argv);
    // --journal: the journal's figures alone.
    if (QCoreApplication::arguments().contains(QStringLiteral("--journal"))) {
        std::printf("%-44s %16s   %s\n", "figure", "median", "goal");
        return JournalFigures() ? 0 : 1;
    }
    // --library: the main window's backup and restore against the CLI's.
    if (QCoreApplication::arguments().contains(QStringLiteral("--library"))) {
        std::printf("%-44s %16s   %s\n", "figure", "median", "goal");
        return LibraryFigures() ? 0 : 1;
    }
    QTemporaryDir folder;
    sim::SimProcess sim;
    if (!StartSimAt4800(sim, folder, FullDeviceState()))
        return 1;
    qputenv("KSR704_PORTS", sim.PortPath().toLocal8Bit());
    QDir::setCurrent(folder.path());

    SteadyClock clock;
    SystemSerialPort systemPort(clock, SystemPortDevicePath);
    TimingPort port(systemPort, clock);
    AutoDialogs dialogs;
    NoteEnd end;
    auto program = std::make_unique<Program>(port, clock, dialogs, end, folder.filePath(QStringLiteral("view.ini")));
    program->SplashForm_Load();
    program->SplashTimer1_Timer();
    if (program->State().DemoMode || end.ended) {
        std::fprintf(stderr, "no device on %s\n", qPrintable(sim.PortPath()));
        return 1;
    }

    std::printf("%-44s %16s   %s\n", "figure", "median", "goal");
    Row("sim turnaround per answer (not in the bound)",
        QString::number(sim::SimDevice::ReplyTurnaround * 1000.0, 'f', 1) + QStringLiteral(" ms"), QString());
    // 16 markers, 8 name bytes of each of 16 slots, 8 of the current name,
    // 3 settings frames; one block of 160 bytes.
    const int dumpExchanges = 16 + 8 * 16 + 8 + 3;
    const double dumpLine = LineSeconds(dumpExchanges, 10, 10) + LineSeconds(1, 10, 160);
    const Ratios dump = Measure(clock, dumpLine, Runs, [&] { program->Memory().DumpDeviceMemory(); });
    Row("dump, full device: wall / line", Ratio(dump.wall), QStringLiteral("<= 1.03"));
    Row("dump: CPU / wall", Percent(dump.cpu), QStringLiteral("<= 2 %"));

    const Ratios store = Measure(clock, LineSeconds(StoreExchanges, 10, 10), Runs, [&] {
        program->Presets().StorePreset(5, QStringLiteral("Bench"), [] {});
    });
    Row("store (170 exchanges): wall / line", Ratio(store.wall), QStringLiteral("<= 1.03"));
    Row("store: CPU / wall", Percent(store.cpu), QStringLiteral("<= 2 %"));

    dialogs.openFileName = folder.filePath(QStringLiteral("bench.Fbk"));
    {
        QFile file(dialogs.openFileName);
        file.open(QIODevice::WriteOnly);
        file.write(reinterpret_cast<const char *>(program->Values().PresetImage.data()), PresetImageBytes);
    }
    const Ratios load = Measure(clock, LineSeconds(36, 10, 10), Runs + 2,
                                [&] { program->Files().LoadPresetFromPc(); });
    Row("file load (36 frames): wall / line", Ratio(load.wall), QStringLiteral("<= 1.03"));
    Row("file load: CPU / wall", Percent(load.cpu), QStringLiteral("<= 2 %"));

    Row("idle 10 s, no search: CPU / wall", Percent(IdleCpu(10.0)), QStringLiteral("<= 0.5 %"));
    // A search that reports nothing: the poll runs, the device stays quiet.
    program->State().SearchActive = true;
    program->ReportPoll().start(NotificationPollMilliseconds);
    Row("idle 10 s, search running: CPU / wall", Percent(IdleCpu(10.0)), QStringLiteral("<= 0.5 %"));
    program->ReportPoll().stop();
    program->State().SearchActive = false;

    // One gain step on a manual row, to the frame's last byte handed to the port.
    int row = 11;
    while (row > 0 && !program->Editor().HScroll20[static_cast<std::size_t>(row)]->isEnabled())
        --row;
    std::vector<double> edit;
    for (int i = 0; i < 50; ++i) {
        QScrollBar *gain = program->Editor().HScroll20[static_cast<std::size_t>(row)];
        const double t0 = clock.NowSeconds();
        gain->setValue(gain->value() == 0 ? 1 : gain->value() - 1);
        edit.push_back((port.lastWriteDone - t0) * 1e6);
    }
    Row("one edit, step to frame written: median us", QString::number(Median(edit), 'f', 0), QStringLiteral("<= 1000"));
    Row("one edit: worst us", QString::number(Worst(edit), 'f', 0), QStringLiteral("<= 1000"));

    // Those edits taken back one by one: click to the frame's last byte, as for an edit.
    std::vector<double> undo;
    EditHistory &history = program->History();
    while (history.CanUndo()) {
        const double t0 = clock.NowSeconds();
        program->MainWindow().UndoButton->click();
        undo.push_back((port.lastWriteDone - t0) * 1e6);
    }
    Row("one undo, click to frame written: median us", QString::number(Median(undo), 'f', 0),
        QStringLiteral("as one edit"));
    Row("one undo: worst us", QString::number(Worst(undo), 'f', 0), QStringLiteral("as one edit"));

    // A thousand edits of one parameter each (nothing sent: only the history counts).
    const std::size_t heapBefore = HeapInUse();
    {
        const SendingSuppressed quiet(program->State());
        QScrollBar *gain = program->Editor().HScroll20[static_cast<std::size_t>(row)];
        for (int i = 0; i < 1000; ++i)
            gain->setValue(gain->value() == 0 ? 45 : gain->value() - 1);
    }
    const double historyKiB = static_cast<double>(history.Bytes()) / 1024.0;
    const double heapKiB = static_cast<double>(HeapInUse() - heapBefore) / 1024.0;
    Row("history of 1000 steps: KiB held", QString::number(historyKiB, 'f', 1), QStringLiteral("< 1024"));
    Row("history of 1000 steps: heap growth KiB", QString::number(heapKiB, 'f', 1), QStringLiteral("< 1024"));

    std::vector<double> redraw;
    for (int i = 0; i < 1000; ++i) {
        const double t0 = clock.NowSeconds();
        program->Graph().RedrawChannel(i % FilterCount);
        redraw.push_back((clock.NowSeconds() - t0) * 1e6);
    }
    Row("RedrawChannel (730 points): median us", QString::number(Median(redraw), 'f', 0), QStringLiteral("well under 1000"));
    Row("RedrawChannel: worst us", QString::number(Worst(redraw), 'f', 0), QStringLiteral("well under 1000"));

    // What a scroll-bar step redraws, the curve and its picture on the
    // screen, with the editor at its design size and zoomed to 200 %.
    for (const double scale : {1.0, 2.0}) {
        program->View().Zoom().SetScale(scale);
        GraphPicture *picture = program->Editor().Picture1[0];
        picture->repaint();
        std::vector<double> step;
        for (int i = 0; i < 300; ++i) {
            const double t0 = clock.NowSeconds();
            program->Graph().RedrawChannel(i % FiltersPerChannel);
            picture->repaint();
            step.push_back((clock.NowSeconds() - t0) * 1e6);
        }
        const QString label = QStringLiteral("step redraw + repaint at %1 %: median us").arg(qRound(scale * 100));
        Row(qPrintable(label), QString::number(Median(step), 'f', 0), QStringLiteral("<= 1000"));
    }
    program->View().Zoom().SetScale(1.0);
    if (!dialogs.texts.isEmpty() || end.ended) {
        std::fprintf(stderr, "unexpected messages: %s\n", qPrintable(dialogs.texts.join(QLatin1Char('|'))));
        return 1;
    }

    program.reset();
    if (!TcpFigures(dumpLine, LineSeconds(StoreExchanges, 10, 10)))
        return 1;
    if (!JournalFigures())
        return 1;
    QDir::setCurrent(folder.path());
    const double mib = RemotePeakMiB(sim.PortPath(), folder.path());
    Row("ksr704-remote peak resident after start-up", QString::number(mib, 'f', 1) + QStringLiteral(" MiB"), QString());
    return 0;
}
