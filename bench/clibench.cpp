// ksr704-clibench: the shipped ksr704-cli's backup against ksr704-sim at
// 4800 baud, on a pseudo-terminal and over tcp:// on loopback, from the
// process's start to its exit, against the line's own limit for reading
// everything once, and for the exchanges it makes (every byte read twice).
// A device with one used slot: the ratio is that of a full backup, whose
// exchanges are the same, in a run of seconds.

#include "BenchSupport.h"
#include "FullDeviceState.h"

#include "core/Clock.h"
#include "core/Frames.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace ksr;

namespace {

constexpr int Runs = 3;

// Runs the backup `Runs` times against a simulator started with `extra`;
// each run's wall time over `line`, empty when one failed.
std::vector<double> BackupRatios(double line, const QStringList &extra)
{
    QTemporaryDir folder;
    sim::SimProcess sim;
    if (!bench::StartSimAt4800(sim, folder, bench::OneSlotState(), extra))
        return {};
    const SteadyClock clock;
    std::vector<double> ratios;
    for (int i = 0; i < Runs; ++i) {
        QProcess cli;
        // Its errors show; its closing summary would break up the table.
        cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        cli.setStandardOutputFile(QProcess::nullDevice());
        const double t0 = clock.NowSeconds();
        cli.start(QStringLiteral(KSR704_CLI_PATH),
                  {QStringLiteral("--quiet"), QStringLiteral("--device"), sim.PortPath(), QStringLiteral("backup"),
                   folder.filePath(QStringLiteral("backup%1").arg(i))});
        if (!cli.waitForFinished(120000) || cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0) {
            std::fprintf(stderr, "ksr704-cli backup on %s failed\n", qPrintable(sim.PortPath()));
            return {};
        }
        ratios.push_back((clock.NowSeconds() - t0) / line);
    }
    return ratios;
}

void Row(const char *figure, const QString &value, const char *goal)
{
    std::printf("%-52s %16s   %s\n", figure, qPrintable(value), goal);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Reading once: the probe, 16 markers, 160 data and 8 name bytes of the
    // used slot, each 10 bytes out and 10 back; the current settings'
    // block, 10 out and 160 back. The backup reads all but the probe twice.
    const int reads = 16 + 160 + 8;
    const double exchange = 20 * WireByteSeconds;
    const double block = (10 + BlockBytes) * WireByteSeconds;
    const double line = (1 + reads) * exchange + block;
    const double made = (1 + 2 * reads) * exchange + 2 * block;
    const std::vector<double> terminal = BackupRatios(line, {});
    const std::vector<double> tcp = BackupRatios(line, sim::SimProcess::TcpLoopback());
    if (terminal.empty() || tcp.empty())
        return 1;
    const auto ratio = [](double r) { return QString::number(r, 'f', 4); };
    const auto ofMade = [&](double r) { return ratio(r * line / made); };
    std::printf("%-52s %16s   %s\n", "figure", "median", "goal");
    Row("line bound, 1 slot read once (185 + block)", QString::number(line, 'f', 3) + QStringLiteral(" s"), "");
    Row("line bound of the exchanges made (369 + 2 blocks)", QString::number(made, 'f', 3) + QStringLiteral(" s"), "");
    Row("ksr704-cli backup: wall / line (read once)", ratio(bench::Median(terminal)), "<= 2");
    Row("ksr704-cli backup: worst wall / line (read once)", ratio(bench::Worst(terminal)), "");
    Row("ksr704-cli backup: wall / exchanges made", ofMade(bench::Median(terminal)), "<= 1.02");
    Row("ksr704-cli backup, tcp://: wall / line (read once)", ratio(bench::Median(tcp)), "<= 2");
    Row("ksr704-cli backup, tcp://: worst wall / line (read once)", ratio(bench::Worst(tcp)), "");
    Row("ksr704-cli backup, tcp://: wall / exchanges made", ofMade(bench::Median(tcp)), "<= 1.02");
    return 0;
}
