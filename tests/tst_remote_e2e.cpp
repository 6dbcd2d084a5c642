// ksr704-remote against ksr704-sim on a pseudo-terminal or over TCP: the
// program finds the device through KSR704_PORTS, dumps its memory and saves
// init.cfg.

#include "sim/SimProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using ksr::sim::SimProcess;

namespace {

// Collects the simulator's frame log until a line starting with `prefix`
// appears or the deadline passes.
bool WaitForLogLine(QProcess &sim, QStringList &log, const QString &prefix, int ms)
{
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        while (sim.canReadLine()) {
            const QString line = QString::fromLatin1(sim.readLine()).trimmed();
            log << line;
            if (line.startsWith(prefix))
                return true;
        }
        sim.waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
    }
    return false;
}

// The trace's lines of `what` ("sent", "answer"): the bytes after the colon.
QStringList TraceLines(const QString &path, const QString &what)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList found;
    const QString mark = QStringLiteral(" %1: ").arg(what);
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (const qsizetype at = line.indexOf(mark); at >= 0)
            found << line.mid(at + mark.size());
    }
    return found;
}

} // namespace

class RemoteEndToEndTest : public QObject {
    Q_OBJECT
private slots:
    void startUpFindsTheSimulatorAndDumpsItsMemory_data()
    {
        QTest::addColumn<bool>("tcp");
        QTest::addColumn<int>("port");
        QTest::newRow("terminal") << false << 1;
        // Port 1 is a device server that refuses the connection: the search
        // goes on to port 2.
        QTest::newRow("tcp after a refused one") << true << 2;
    }
    void startUpFindsTheSimulatorAndDumpsItsMemory()
    {
        QFETCH(bool, tcp);
        QFETCH(int, port);
        SimProcess sim;
        QVERIFY(sim.Start(QStringList{QStringLiteral("--fast"), QStringLiteral("--log")}
                          + (tcp ? SimProcess::TcpLoopback() : QStringList{})));
        QTemporaryDir start;
        QString ports = sim.PortPath();
        if (tcp) {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            ports.prepend(QStringLiteral("tcp://127.0.0.1:%1:").arg(closed.serverPort()));
        }

        QProcess remote;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KSR704_PORTS"), ports);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        remote.setProcessEnvironment(env);
        remote.setWorkingDirectory(start.path());
        remote.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        remote.start(QStringLiteral(KSR704_REMOTE_PATH), QStringList());
        QVERIFY(remote.waitForStarted(5000));

        // The last of the three settings frames that close the dump.
        QStringList log;
        QVERIFY2(WaitForLogLine(sim.Process(), log, QStringLiteral("F0 5B 0A 02"), 30000),
                 qPrintable(log.join(QLatin1Char('\n'))));
        QCOMPARE(log.first(), QStringLiteral("F0 5B 00 00 00 00 00 00 00 F7"));
        QVERIFY(log.contains(QStringLiteral("F0 5B 0B FF 00 00 00 00 00 F7")));
        QVERIFY(log.contains(QStringLiteral("F0 5B 10 00 30 00 00 00 00 F7")));
        QCOMPARE(remote.state(), QProcess::Running);

        QFile config(start.filePath(QStringLiteral("init.cfg")));
        QVERIFY(config.open(QIODevice::ReadOnly));
        QByteArray saved(14, '\0');
        saved[0] = static_cast<char>(port);
        QCOMPARE(config.readAll(), saved);

        remote.kill();
        remote.waitForFinished(5000);
    }

    // --trace FILE holds every frame the device received, in order, each
    // with its answer, line by line as it happens: a program killed after
    // start-up leaves every line.
    void traceHoldsEveryFrameTheDeviceReceived()
    {
        SimProcess sim;
        QVERIFY(sim.Start({QStringLiteral("--fast"), QStringLiteral("--log")}));
        QTemporaryDir start;
        QTemporaryDir elsewhere;
        QProcess remote;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KSR704_PORTS"), sim.PortPath());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        remote.setProcessEnvironment(env);
        // The trace's path is taken from the folder the program starts in,
        // not from its start folder.
        remote.setWorkingDirectory(elsewhere.path());
        remote.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        remote.start(QStringLiteral(KSR704_REMOTE_PATH),
                     {QStringLiteral("--trace"), QStringLiteral("trace.txt"), QStringLiteral("--start-folder"), start.path()});
        QVERIFY(remote.waitForStarted(5000));
        QStringList log;
        QVERIFY2(WaitForLogLine(sim.Process(), log, QStringLiteral("F0 5B 0A 02"), 30000),
                 qPrintable(log.join(QLatin1Char('\n'))));
        // Until the last frame's answer is in the trace, then killed.
        const QString trace = QDir(elsewhere.path()).filePath(QStringLiteral("trace.txt"));
        const QDeadlineTimer deadline(10000);
        while (TraceLines(trace, QStringLiteral("answer")).size() < log.size() && !deadline.hasExpired())
            QTest::qWait(20);
        remote.kill();
        QVERIFY(remote.waitForFinished(5000));
        QVERIFY(sim.Stop());
        while (sim.Process().canReadLine())
            log << QString::fromLatin1(sim.Process().readLine()).trimmed();

        QCOMPARE(TraceLines(trace, QStringLiteral("sent")), log);
        QCOMPARE(TraceLines(trace, QStringLiteral("answer")).size(), log.size());
        QVERIFY(!QFileInfo::exists(QDir(start.path()).filePath(QStringLiteral("trace.txt"))));
    }
};

QTEST_GUILESS_MAIN(RemoteEndToEndTest)
#include "tst_remote_e2e.moc"
