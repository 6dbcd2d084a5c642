// ksr704-clibench: the shipped ksr704-cli's backup against ksr704-sim at
// 4800 baud, from the process's start to its exit, against the line's own
// limit for the exchanges it makes. A device with one used slot: the ratio
// is that of a full backup (2705 exchanges, about two minutes), whose
// exchanges are the same, in a run of seconds.

#include "BenchSupport.h"

#include "core/Clock.h"
#include "core/Frames.h"
#include "sim/SimDevice.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace ksr;

namespace {

constexpr int Runs = 3;

// The simulator's default device with only slot 0 used.
QByteArray OneSlotState()
{
    sim::SimDevice device;
    for (int n = 1; n < sim::UserSlots; ++n)
        device.SetMemoryByte(sim::UsedMarkerBase + n, 0x00);
    return device.SaveState();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    sim::SimProcess sim;
    if (!bench::StartSimAt4800(sim, folder, OneSlotState()))
        return 1;

    // The probe, 16 markers, 160 data and 8 name bytes of the used slot,
    // each 10 bytes out and 10 back; the current settings' block, 10 out
    // and 160 back.
    const int exchanges = 1 + 16 + 160 + 8;
    const double line = exchanges * 20 * WireByteSeconds + (10 + BlockBytes) * WireByteSeconds;
    const SteadyClock clock;
    std::vector<double> ratios;
    for (int i = 0; i < Runs; ++i) {
        QProcess cli;
        cli.setProcessChannelMode(QProcess::ForwardedChannels);
        const double t0 = clock.NowSeconds();
        cli.start(QStringLiteral(KSR704_CLI_PATH),
                  {QStringLiteral("--quiet"), QStringLiteral("--device"), sim.PortPath(), QStringLiteral("backup"),
                   folder.filePath(QStringLiteral("backup%1").arg(i))});
        if (!cli.waitForFinished(120000) || cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0) {
            std::fprintf(stderr, "ksr704-cli backup failed\n");
            return 1;
        }
        ratios.push_back((clock.NowSeconds() - t0) / line);
    }
    std::printf("%-44s %16s   %s\n", "figure", "median", "goal");
    std::printf("%-44s %16s   %s\n", "line bound, backup of 1 slot (185 + block)",
                qPrintable(QString::number(line, 'f', 3) + QStringLiteral(" s")), "");
    std::printf("%-44s %16s   %s\n", "ksr704-cli backup: wall / line",
                qPrintable(QString::number(bench::Median(ratios), 'f', 4)), "<= 1.02");
    std::printf("%-44s %16s   %s\n", "ksr704-cli backup: worst wall / line",
                qPrintable(QString::number(bench::Worst(ratios), 'f', 4)), "");
    return 0;
}
