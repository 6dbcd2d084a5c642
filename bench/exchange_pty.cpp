// Times single command exchanges with ksr704-sim at 4800 baud over a
// pseudo-terminal through QSerialPort, against the line's own time.

#include "link/PortNames.h"
#include "link/SerialLink.h"
#include "link/SystemSerialPort.h"
#include "sim/SimProcess.h"
#include "sim/SimDevice.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

class NoDialogs final : public ksr::UserDialogs {
public:
    ksr::MessageAnswer ShowMessage(const ksr::MessageRequest &request) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(request.text));
        return request.defaultAnswer;
    }
    QString GetOpenFileName(const ksr::FileDialogRequest &) override { return {}; }
    QString GetSaveFileName(const ksr::FileDialogRequest &) override { return {}; }
};

class NoEnd final : public ksr::ProgramEnd {
public:
    void EndProgram(int) override { ended = true; }
    bool ended = false;
};

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = 200;

    ksr::sim::SimProcess sim;
    if (!sim.Start({QStringLiteral("--baud"), QStringLiteral("4800")})) {
        std::fprintf(stderr, "ksr704-sim did not start\n");
        return 1;
    }
    qputenv("KSR704_PORTS", sim.DevicePath().toLocal8Bit());

    ksr::AppState state;
    ksr::SteadyClock clock;
    ksr::SystemSerialPort port(clock, ksr::SystemPortDevicePath);
    NoDialogs dialogs;
    NoEnd end;
    ksr::SerialLink link(state, port, clock, dialogs, end);
    state.PortNumber = 1;
    state.PortUsable = true;
    link.OpenPort();
    link.SetReceiveSize(ksr::ReplyBytes);
    if (!state.PortOpened || !link.ProbeDevice({ksr::ProbeCommand, 0, 0, 0, 0, 0, 0})) {
        std::fprintf(stderr, "no device on %s\n", qPrintable(sim.DevicePath()));
        return 1;
    }

    std::vector<double> ms;
    for (int i = 0; i < runs && !end.ended; ++i) {
        const double start = clock.NowSeconds();
        link.ExchangeCommand({ksr::ReadByteCommand, 0x00, 0x30, 0, 0, 0, 0});
        ms.push_back((clock.NowSeconds() - start) * 1000.0);
    }
    if (end.ended)
        return 1;

    // 10 bytes each way at 10 bits a byte, plus the simulator's turnaround.
    const double lineMs = 2 * 10 * 10.0 / 4800.0 * 1000.0 + ksr::sim::SimDevice::ReplyTurnaround * 1000.0;
    std::printf("%-34s %10s %10s %10s %8s\n", "figure", "median", "worst", "line", "ratio");
    std::printf("%-34s %8.2fms %8.2fms %8.2fms %8.3f\n", "one exchange, 10 bytes each way", Median(ms),
                *std::max_element(ms.begin(), ms.end()), lineMs, Median(ms) / lineMs);
    return 0;
}
