#include "RemoteRig.h"

#include "BenchSupport.h"
#include "FullDeviceState.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace ksr::bench {

void SimLog::Take(const QByteArray &line)
{
    const QList<QByteArray> fields = line.simplified().split(' ');
    // "sent N @ T": output written; a frame line: its bytes, "@", the time.
    if (fields.size() == 4 && fields[0] == "sent" && fields[2] == "@") {
        if (!answerDue_)
            reports_.push_back(fields[3].toDouble());
        answerDue_ = false;
    } else if (fields.size() >= 3 && fields[fields.size() - 2] == "@") {
        ++frames_;
        // The acknowledgement of a report is the one frame left unanswered.
        answerDue_ = fields[2] != "30";
    }
}

double SimLog::ReportNearest(double t) const
{
    constexpr double LateStamp = 0.020;
    const auto it = std::upper_bound(reports_.begin(), reports_.end(), t);
    const double before = it == reports_.begin() ? 0.0 : *std::prev(it);
    if (it != reports_.end() && *it - t <= LateStamp && (before == 0.0 || *it - t < t - before))
        return *it;
    return before;
}

int SimLog::ReportsWithin(double from, double to) const
{
    return static_cast<int>(std::upper_bound(reports_.begin(), reports_.end(), to)
                            - std::lower_bound(reports_.begin(), reports_.end(), from));
}

RemoteRig::RemoteRig() : sim_(QStringLiteral(KSR704_SIM_PATH)) {}

RemoteRig::~RemoteRig()
{
    if (program_.state() != QProcess::NotRunning) {
        program_.terminate();
        if (!program_.waitForFinished(5000)) {
            program_.kill();
            program_.waitForFinished(5000);
        }
    }
}

bool RemoteRig::Start(int reportMs)
{
    if (!StartSimAt4800(sim_, folder_, LongSearchState(),
                        {QStringLiteral("--log-times"), QStringLiteral("--report-every"), QString::number(reportMs),
                         QStringLiteral("--link"), folder_.filePath(QStringLiteral("ksr704"))}))
        return false;
    QObject::connect(&sim_.Process(), &QProcess::readyReadStandardOutput, &sim_.Process(), [this] { ReadSim(); });
    ReadSim();

    // The program's settings, runtime and start folders are private to the run.
    const QDir top(folder_.path());
    for (const char *name : {"config", "runtime", "start"})
        top.mkpath(QString::fromLatin1(name));
    QFile::setPermissions(top.filePath(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), top.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), top.filePath(QStringLiteral("runtime")));
    env.remove(QStringLiteral("KSR704_PORTS"));
    program_.setProcessEnvironment(env);
    program_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(&program_, &QProcess::readyReadStandardOutput, &program_, [this] { ReadProgram(); });
    port_ = FreeLoopbackPort();
    program_.start(QStringLiteral(KSR704_REMOTE_PATH),
                   {QStringLiteral("--device"), sim_.PortPath(), QStringLiteral("--start-folder"),
                    top.filePath(QStringLiteral("start")), QStringLiteral("--remote"),
                    QStringLiteral("127.0.0.1:%1").arg(port_), QStringLiteral("--print-remote-links")});
    if (!program_.waitForStarted(10000)) {
        std::fprintf(stderr, "ksr704-remote did not start\n");
        return false;
    }
    // The start-up dump of a one-slot device takes a few seconds.
    const QDeadlineTimer deadline(120000);
    while ((controlToken_.isEmpty() || watchToken_.isEmpty()) && !deadline.hasExpired()
           && program_.state() == QProcess::Running)
        program_.waitForReadyRead(200);
    if (controlToken_.isEmpty() || watchToken_.isEmpty()) {
        std::fprintf(stderr, "ksr704-remote printed no remote links\n");
        return false;
    }
    return true;
}

bool RemoteRig::KeepLogIn(const QString &path)
{
    logFile_.setFileName(path);
    return logFile_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
}

void RemoteRig::ReadSim()
{
    simPartial_ += sim_.Process().readAllStandardOutput();
    qsizetype end = 0;
    while ((end = simPartial_.indexOf('\n')) >= 0) {
        log_.Take(simPartial_.left(end));
        if (logFile_.isOpen())
            logFile_.write(simPartial_.left(end + 1));
        simPartial_.remove(0, end + 1);
    }
}

void RemoteRig::ReadProgram()
{
    programOut_ += program_.readAllStandardOutput();
    static const QRegularExpression link(QStringLiteral("^remote (control|watch): http://[^ ]*#t=(\\S+)$"),
                                         QRegularExpression::MultilineOption);
    for (auto it = link.globalMatch(QString::fromUtf8(programOut_)); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        (m.captured(1) == QLatin1String("control") ? controlToken_ : watchToken_) = m.captured(2);
    }
}

double ThreadsCpuSeconds(qint64 pid)
{
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    if (!tasks.exists())
        return -1;
    double total = 0;
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (file.open(QIODevice::ReadOnly))
            total += file.readAll().split(' ').value(0).toDouble() * 1e-9;
    }
    return total;
}

qint64 ResidentKiB(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

quint16 FreeLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

} // namespace ksr::bench
