// ksr704-remotebench: the shipped ksr704-remote's stage remote against
// ksr704-sim at 4800 baud reporting every 100 ms while it searches, the
// program on the offscreen platform, every client on 127.0.0.1:
// - how long a device report takes to reach each of 16 clients, from the
//   simulator's time stamp of the report's last byte to the client's
//   receipt of the change (both CLOCK_MONOTONIC);
// - the program's CPU while a search reports, with no client and with 16
//   (turns in alternation, each after the search was started anew);
// - its resident memory while one stalled client (a tiny receive buffer,
//   reading nothing after its hello) is sent the reports.
//
//   ksr704-remotebench [--stall-minutes M] [--turn-seconds S] [--turns N] [--sim-log FILE]
//                      [--latency-log FILE]
//   ksr704-remotebench --hold LINK N   (N clients on LINK until ended)
//   ksr704-remotebench --free-port     (a free port of 127.0.0.1)

#include "BenchClients.h"
#include "BenchSupport.h"
#include "RemoteRig.h"

#include "core/Clock.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

using namespace ksr;
using namespace ksr::bench;

namespace {

constexpr int Clients = 16;
constexpr int ReportMs = 100;

double Now()
{
    return SteadyClock().NowSeconds();
}

// Runs the event loop for `seconds`, calling `every` about once a second.
template <typename Every>
void Run(double seconds, Every every)
{
    const double end = Now() + seconds;
    double next = Now() + 1;
    while (Now() < end) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (Now() >= next) {
            every();
            next += 1;
        }
    }
}

void Run(double seconds)
{
    Run(seconds, [] {});
}

void TableRow(const QByteArray &figure, const QString &value, const char *goal)
{
    std::printf("%-56s %16s   %s\n", figure.constData(), qPrintable(value), goal);
    std::fflush(stdout);
}

QString Fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// The value at fraction `q` of sorted `values` (nearest rank).
double Quantile(const std::vector<double> &values, double q)
{
    if (values.empty())
        return 0;
    const auto rank = static_cast<std::size_t>(std::max(1.0, std::ceil(q * static_cast<double>(values.size()))));
    return values[std::min(rank, values.size()) - 1];
}

// Stops the search and starts it anew through `client`, so that the
// simulator places and deepens every automatic notch again.
bool RestartSearch(ReportClient &client)
{
    return SetSearch(client, false) && SetSearch(client, true);
}

struct Turn {
    double cpu = 0; // CPU / wall, %
    int reports = 0;
    double from = 0;
    double to = 0;
};

// The program's CPU share over `seconds`, and the reports meanwhile.
Turn MeasureTurn(const RemoteRig &rig, double seconds)
{
    Turn turn;
    const double c0 = ThreadsCpuSeconds(rig.ProgramPid());
    turn.from = Now();
    Run(seconds);
    const double c1 = ThreadsCpuSeconds(rig.ProgramPid());
    turn.to = Now();
    turn.cpu = (c1 - c0) / (turn.to - turn.from) * 100;
    turn.reports = rig.Log().ReportsWithin(turn.from, turn.to);
    return turn;
}

struct ClientFigures {
    std::vector<double> aloneCpu;
    std::vector<double> watchedCpu;
    std::vector<int> reports;
    std::vector<double> latencyMs;
    // Each timed change as "report-sent receipt client" (CLOCK_MONOTONIC s).
    QByteArray samples;
    int reportsSent = 0;   // in the watched turns
    int reportsMissed = 0; // reports sent in a watched turn that a client did not get
    int changesExtra = 0;  // report changes a client got beyond the reports sent
    int beforeStamp = 0;   // changes that came before the simulator stamped the report
};

// One turn with no client: the search restarted by a client that then leaves.
bool AloneTurn(const RemoteRig &rig, double seconds, ClientFigures &figures)
{
    {
        ReportClient control(rig.Origin());
        if (!control.Connect(rig.Port(), rig.ControlToken()) || !RestartSearch(control)) {
            std::fprintf(stderr, "ksr704-remotebench: the search could not be started from a client\n");
            return false;
        }
        control.Close();
    }
    Run(2);
    const Turn turn = MeasureTurn(rig, seconds);
    figures.aloneCpu.push_back(turn.cpu);
    figures.reports.push_back(turn.reports);
    return true;
}

// One turn with 16 clients (one of them with full control, which restarts
// the search): the CPU and each report's way to each client.
bool WatchedTurn(const RemoteRig &rig, double seconds, ClientFigures &figures)
{
    std::vector<std::unique_ptr<ReportClient>> clients;
    for (int i = 0; i < Clients; ++i) {
        clients.push_back(std::make_unique<ReportClient>(rig.Origin()));
        if (!clients.back()->Connect(rig.Port(), i == 0 ? rig.ControlToken() : rig.WatchToken())) {
            std::fprintf(stderr, "ksr704-remotebench: client %d could not connect\n", i + 1);
            return false;
        }
    }
    if (!RestartSearch(*clients.front())) {
        std::fprintf(stderr, "ksr704-remotebench: the search could not be restarted\n");
        return false;
    }
    Run(2);
    const Turn turn = MeasureTurn(rig, seconds);
    // Changes still on their way at the turn's end.
    Run(0.5);
    figures.watchedCpu.push_back(turn.cpu);
    figures.reports.push_back(turn.reports);
    const SimLog &log = rig.Log();
    figures.reportsSent += turn.reports * Clients;
    for (std::size_t i = 0; i < clients.size(); ++i) {
        const auto &client = clients[i];
        int got = 0;
        for (const double at : client->reportTimes) {
            const double sent = log.ReportNearest(at);
            if (sent < turn.from || sent > turn.to)
                continue;
            if (sent > at)
                ++figures.beforeStamp;
            figures.latencyMs.push_back((at - sent) * 1000);
            figures.samples += QByteArray::number(sent, 'f', 6) + ' ' + QByteArray::number(at, 'f', 6) + ' '
                + QByteArray::number(static_cast<int>(i + 1)) + '\n';
            ++got;
        }
        figures.reportsMissed += std::max(0, turn.reports - got);
        figures.changesExtra += std::max(0, got - turn.reports);
        client->Close();
    }
    return true;
}

struct StallFigures {
    qint64 firstKiB = 0;
    qint64 lastKiB = 0;
    qint64 minKiB = 0;
    qint64 maxKiB = 0;
    double hungUpAfter = -1; // seconds until the program closed it; -1: never
    qint64 maxQueued = 0;    // bytes in the kernel's send queue to it, at most
    int reports = 0;
};

// One stalled client through `seconds` of reports; the program's resident
// memory sampled every second. A reading client with full control starts
// the search anew every 15 s, so that the reports never go quiet.
bool Stall(const RemoteRig &rig, double seconds, StallFigures &figures)
{
    ReportClient control(rig.Origin());
    if (!control.Connect(rig.Port(), rig.ControlToken()) || !RestartSearch(control)) {
        std::fprintf(stderr, "ksr704-remotebench: the search could not be started from a client\n");
        return false;
    }
    Run(5);
    StalledClient stalled;
    if (!stalled.Connect(rig.Port(), rig.WatchToken(), 1024)) {
        std::fprintf(stderr, "ksr704-remotebench: the stalled client could not say hello\n");
        return false;
    }
    const double from = Now();
    figures.firstKiB = figures.minKiB = figures.maxKiB = ResidentKiB(rig.ProgramPid());
    double nextRestart = from + 15;
    bool restarted = true;
    Run(seconds, [&] {
        const qint64 kib = ResidentKiB(rig.ProgramPid());
        figures.lastKiB = kib;
        figures.minKiB = std::min(figures.minKiB, kib);
        figures.maxKiB = std::max(figures.maxKiB, kib);
        const StalledClient::ServerSide server = stalled.Server(rig.Port());
        if (figures.hungUpAfter < 0 && server.state != 1)
            figures.hungUpAfter = Now() - from;
        figures.maxQueued = std::max(figures.maxQueued, server.queued);
        if (Now() >= nextRestart) {
            restarted = restarted && RestartSearch(control);
            nextRestart += 15;
        }
    });
    figures.reports = rig.Log().ReportsWithin(from, Now());
    control.Close();
    if (!restarted)
        std::fprintf(stderr, "ksr704-remotebench: a restart of the search failed during the stall\n");
    return restarted && figures.firstKiB > 0 && figures.lastKiB > 0;
}

// --hold LINK N: N clients on a pairing link until the process is ended.
int Hold(const QString &link, int count)
{
    const QUrl url(link);
    const QString token = url.fragment().startsWith(QLatin1String("t=")) ? url.fragment().mid(2) : QString();
    if (url.port() <= 0 || token.isEmpty() || count < 1 || count > Clients) {
        std::fprintf(stderr, "ksr704-remotebench: --hold expects a pairing link and 1 to %d\n", Clients);
        return 2;
    }
    const QString origin = QStringLiteral("http://%1:%2").arg(url.host()).arg(url.port());
    std::vector<std::unique_ptr<ReportClient>> clients;
    for (int i = 0; i < count; ++i) {
        clients.push_back(std::make_unique<ReportClient>(origin));
        if (!clients.back()->Connect(static_cast<quint16>(url.port()), token)) {
            std::fprintf(stderr, "ksr704-remotebench: client %d could not connect\n", i + 1);
            return 1;
        }
    }
    std::printf("connected %d\n", count);
    std::fflush(stdout);
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption stallOption(QStringLiteral("stall-minutes"), QStringLiteral("Minutes of the stalled client (10)."),
                                         QStringLiteral("M"), QStringLiteral("10"));
    const QCommandLineOption turnOption(QStringLiteral("turn-seconds"), QStringLiteral("Seconds of a CPU turn (15)."),
                                        QStringLiteral("S"), QStringLiteral("15"));
    const QCommandLineOption turnsOption(QStringLiteral("turns"), QStringLiteral("Turns of each kind (3)."),
                                         QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption holdOption(QStringLiteral("hold"), QStringLiteral("Hold N clients on LINK (LINK N)."),
                                        QStringLiteral("LINK"));
    const QCommandLineOption logOption(QStringLiteral("sim-log"), QStringLiteral("Keep the simulator's log in FILE."),
                                       QStringLiteral("FILE"));
    const QCommandLineOption samplesOption(QStringLiteral("latency-log"),
                                           QStringLiteral("Write each timed change to FILE: sent, received, client."),
                                           QStringLiteral("FILE"));
    const QCommandLineOption freePortOption(QStringLiteral("free-port"), QStringLiteral("Print a free port of 127.0.0.1."));
    parser.addHelpOption();
    parser.addOptions({stallOption, turnOption, turnsOption, holdOption, freePortOption, logOption, samplesOption});
    parser.process(app);
    if (parser.isSet(freePortOption)) {
        const quint16 port = FreeLoopbackPort();
        std::printf("%u\n", unsigned(port));
        return port == 0 ? 1 : 0;
    }
    if (parser.isSet(holdOption))
        return Hold(parser.value(holdOption), parser.positionalArguments().value(0).toInt());
    const double stallMinutes = parser.value(stallOption).toDouble();
    const double turnSeconds = parser.value(turnOption).toDouble();
    const int turns = parser.value(turnsOption).toInt();
    if (stallMinutes <= 0 || turnSeconds < 1 || turns < 1) {
        std::fprintf(stderr, "ksr704-remotebench: --stall-minutes > 0, --turn-seconds >= 1, --turns >= 1\n");
        return 2;
    }

    RemoteRig rig;
    if (parser.isSet(logOption) && !rig.KeepLogIn(parser.value(logOption))) {
        std::fprintf(stderr, "ksr704-remotebench: cannot write %s\n", qPrintable(parser.value(logOption)));
        return 2;
    }
    if (!rig.Start(ReportMs))
        return 1;
    Run(1);

    ClientFigures figures;
    for (int i = 0; i < turns; ++i) {
        if (!AloneTurn(rig, turnSeconds, figures) || !WatchedTurn(rig, turnSeconds, figures))
            return 1;
    }
    std::sort(figures.latencyMs.begin(), figures.latencyMs.end());
    if (parser.isSet(samplesOption)) {
        QFile file(parser.value(samplesOption));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(figures.samples) != figures.samples.size())
            std::fprintf(stderr, "ksr704-remotebench: cannot write %s\n", qPrintable(parser.value(samplesOption)));
    }
    StallFigures stall;
    if (!Stall(rig, stallMinutes * 60, stall))
        return 1;
    if (!rig.ProgramRuns()) {
        std::fprintf(stderr, "ksr704-remote ended during the benchmark\n");
        return 1;
    }

    const double alone = Median(figures.aloneCpu);
    const double watched = Median(figures.watchedCpu);
    std::printf("%-56s %16s   %s\n", "figure (ksr704-remote, stage remote on 127.0.0.1)", "value", "goal");
    TableRow("report to each of 16 clients: median ms", Fixed(Quantile(figures.latencyMs, 0.5), 2), "<= 20");
    TableRow("report to each of 16 clients: 99th percentile ms", Fixed(Quantile(figures.latencyMs, 0.99), 2), "<= 100");
    TableRow("report to each of 16 clients: worst ms", Fixed(Quantile(figures.latencyMs, 1.0), 2), "");
    TableRow("  changes timed / missed / beyond the reports",
        QStringLiteral("%1 / %2 / %3").arg(figures.latencyMs.size()).arg(figures.reportsMissed).arg(figures.changesExtra),
        "none missed");
    TableRow("  changes that came before the report's time stamp", QString::number(figures.beforeStamp), "");
    TableRow("search reporting, no client: CPU / wall (median)", Fixed(alone, 3) + QStringLiteral(" %"), "");
    TableRow("search reporting, 16 clients: CPU / wall (median)", Fixed(watched, 3) + QStringLiteral(" %"), "");
    TableRow("  the 16 clients' share", Fixed(watched - alone, 3) + QStringLiteral(" %"), "<= 1 %");
    TableRow("  reports in a turn of " + QByteArray::number(turnSeconds) + " s (median)",
        QString::number(Median(std::vector<double>(figures.reports.begin(), figures.reports.end()))), "");
    const auto mib = [](qint64 kib) { return Fixed(static_cast<double>(kib) / 1024.0, 2); };
    const QByteArray stallLabel = "stalled client " + QByteArray::number(stallMinutes) + " min";
    TableRow(stallLabel + ": RSS first / last (MiB)", mib(stall.firstKiB) + QStringLiteral(" / ") + mib(stall.lastKiB), "");
    TableRow(stallLabel + ": RSS max - min (MiB)", mib(stall.maxKiB - stall.minKiB), "<= 2");
    TableRow("  reports meanwhile", QString::number(stall.reports), "");
    TableRow("  kernel's send queue to it, at most (KiB)", Fixed(static_cast<double>(stall.maxQueued) / 1024.0, 0), "");
    TableRow("  stalled client closed by the program after (s)",
        stall.hungUpAfter < 0 ? QStringLiteral("never") : Fixed(stall.hungUpAfter, 0), "");
    return 0;
}
