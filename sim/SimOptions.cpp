#include "sim/SimOptions.h"

#include <QCommandLineParser>

namespace ksr::sim {

namespace {

struct Reader {
    const QCommandLineParser &parser;
    QString error;

    // The option's value as an integer (0x.. hex allowed) of at least `min`.
    int Int(const QCommandLineOption &option, int fallback, int min)
    {
        if (!parser.isSet(option))
            return fallback;
        bool ok = false;
        const int value = parser.value(option).toInt(&ok, 0);
        if (!ok || value < min) {
            Fail(option, QStringLiteral("an integer of at least %1").arg(min));
            return fallback;
        }
        return value;
    }
    double Millis(const QCommandLineOption &option)
    {
        if (!parser.isSet(option))
            return 0.0;
        bool ok = false;
        const double ms = parser.value(option).toDouble(&ok);
        if (!ok || ms < 0) {
            Fail(option, QStringLiteral("milliseconds >= 0"));
            return 0.0;
        }
        return ms / 1000.0;
    }
    void Fail(const QCommandLineOption &option, const QString &expected)
    {
        if (error.isEmpty())
            error = QStringLiteral("--%1 expects %2, got \"%3\"")
                        .arg(option.names().constFirst(), expected, parser.value(option));
    }
};

} // namespace

std::variant<SimOptions, ShowText, OptionError> ParseSimOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated KSR-704 on a pseudo-terminal, or with --tcp on a TCP socket as a serial device server.\n"
        "Prints the terminal's path, or the tcp:// address, as its first line."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption link(QStringLiteral("link"), QStringLiteral("Symbolic link to the device."), QStringLiteral("PATH"));
    const QCommandLineOption tcp(QStringLiteral("tcp"),
                                 QStringLiteral("Serve on a TCP socket at HOST:PORT instead (port 0: a free one), "
                                                "one client at a time."),
                                 QStringLiteral("HOST:PORT"));
    const QCommandLineOption dropAfter(QStringLiteral("drop-after"),
                                       QStringLiteral("With --tcp, end the client's connection after its N-th frame."),
                                       QStringLiteral("N"));
    const QCommandLineOption state(QStringLiteral("state"), QStringLiteral("Load and keep the device state in FILE."), QStringLiteral("FILE"));
    const QCommandLineOption log(QStringLiteral("log"), QStringLiteral("Print each received frame in hex."));
    const QCommandLineOption logTimes(QStringLiteral("log-times"),
                                      QStringLiteral("As --log, each frame with the time its first byte was read, and "
                                                     "\"sent N @ T\" when the last of N output bytes was written "
                                                     "(CLOCK_MONOTONIC seconds)."));
    const QCommandLineOption baud(QStringLiteral("baud"), QStringLiteral("Line speed to pace bytes at (default 4800)."), QStringLiteral("RATE"));
    const QCommandLineOption fast(QStringLiteral("fast"), QStringLiteral("No pacing, but no answer sooner than a 4800 baud line allows."));
    const QCommandLineOption silent(QStringLiteral("silent"), QStringLiteral("Leave the next N answers out (-1: all)."), QStringLiteral("N"));
    const QCommandLineOption delay(QStringLiteral("reply-delay"), QStringLiteral("Delay each answer by MS."), QStringLiteral("MS"));
    const QCommandLineOption split(QStringLiteral("split"), QStringLiteral("Send AT bytes, the rest MS later."), QStringLiteral("AT:MS"));
    const QCommandLineOption extra(QStringLiteral("extra"), QStringLiteral("Send N extra bytes after each answer."), QStringLiteral("N"));
    const QCommandLineOption garbage(QStringLiteral("garbage"), QStringLiteral("Replace answers by invalid bytes."));
    const QCommandLineOption corrupt(QStringLiteral("corrupt-block"),
                                     QStringLiteral("Send preset blocks whole with every byte inverted."));
    const QCommandLineOption flood(QStringLiteral("flood-after"),
                                   QStringLiteral("After N bytes of output send zeros without pause."),
                                   QStringLiteral("N"));
    const QCommandLineOption loseWrite(QStringLiteral("lose-write"),
                                       QStringLiteral("Answer memory writes to ADDR but keep nothing."),
                                       QStringLiteral("ADDR"));
    const QCommandLineOption truncate(QStringLiteral("truncate-block"), QStringLiteral("Cut preset blocks to N bytes."), QStringLiteral("N"));
    const QCommandLineOption command(QStringLiteral("fault-command"), QStringLiteral("Faults apply only to command CODE."), QStringLiteral("CODE"));
    const QCommandLineOption count(QStringLiteral("fault-count"), QStringLiteral("Faults apply to the next N answers only."), QStringLiteral("N"));
    const QCommandLineOption after(QStringLiteral("fault-after"), QStringLiteral("Faults start after N answers."), QStringLiteral("N"));
    const QCommandLineOption reportEvery(QStringLiteral("report-every"),
                                         QStringLiteral("While a search runs, report every MS (default 300)."),
                                         QStringLiteral("MS"));
    const QCommandLineOption badReports(QStringLiteral("bad-reports"), QStringLiteral("Make the next N search reports out of range."), QStringLiteral("N"));
    parser.addOptions({link, tcp, dropAfter, state, log, logTimes, baud, fast, silent, delay, split, extra, garbage, corrupt, truncate, command, count, after, badReports, flood, loseWrite, reportEvery});

    if (!parser.parse(arguments))
        return OptionError{parser.errorText()};
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))
        return ShowText{parser.helpText()};
    if (parser.isSet(version))
        return ShowText{QStringLiteral("ksr704-sim %1\n").arg(QStringLiteral(KSR704_VERSION))};
    if (!parser.positionalArguments().isEmpty())
        return OptionError{QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().constFirst())};

    SimOptions o;
    Reader r{parser, {}};
    o.linkPath = parser.value(link);
    if (parser.isSet(tcp)) {
        o.tcp = ParseTcpAddress(QStringLiteral("tcp://") + parser.value(tcp), true);
        if (!o.tcp)
            r.Fail(tcp, QStringLiteral("HOST:PORT (an IPv6 host in brackets, port 0 to 65535)"));
    }
    o.dropAfter = r.Int(dropAfter, 0, 1);
    if (parser.isSet(tcp) && parser.isSet(link))
        return OptionError{QStringLiteral("--link names a terminal; with --tcp there is none")};
    if (parser.isSet(dropAfter) && !parser.isSet(tcp))
        return OptionError{QStringLiteral("--drop-after needs --tcp")};
    o.statePath = parser.value(state);
    o.logTimes = parser.isSet(logTimes);
    o.log = parser.isSet(log) || o.logTimes;
    o.fast = parser.isSet(fast);
    o.baud = r.Int(baud, o.baud, 1);
    if (parser.isSet(reportEvery))
        o.reportInterval = r.Millis(reportEvery);
    Faults &f = o.faults;
    f.silentReplies = r.Int(silent, 0, -1);
    f.replyDelay = r.Millis(delay);
    if (parser.isSet(split)) {
        const QStringList parts = parser.value(split).split(QLatin1Char(':'));
        bool okAt = false;
        bool okMs = false;
        f.splitAt = parts.size() == 2 ? parts[0].toInt(&okAt) : 0;
        f.splitDelay = parts.size() == 2 ? parts[1].toDouble(&okMs) / 1000.0 : 0.0;
        if (!okAt || !okMs || f.splitAt < 1 || f.splitDelay < 0)
            r.Fail(split, QStringLiteral("AT:MS with AT >= 1 and MS >= 0"));
    }
    f.extraBytes = r.Int(extra, 0, 0);
    f.garbage = parser.isSet(garbage);
    f.truncateBlock = r.Int(truncate, -1, 0);
    f.corruptBlock = parser.isSet(corrupt);
    f.lostWriteAddress = r.Int(loseWrite, -1, 0);
    o.floodAfter = r.Int(flood, 0, 1);
    f.onlyCommand = r.Int(command, -1, 0);
    f.count = r.Int(count, -1, 1);
    f.skipAnswers = r.Int(after, 0, 0);
    f.badReports = r.Int(badReports, 0, 0);
    if (f.onlyCommand > 0xFF)
        r.Fail(command, QStringLiteral("a command code 0..0xFF"));
    if (!r.error.isEmpty())
        return OptionError{r.error};
    return o;
}

} // namespace ksr::sim
