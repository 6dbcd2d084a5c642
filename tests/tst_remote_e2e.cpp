// ksr704-remote against ksr704-sim on a pseudo-terminal or over TCP: the
// program finds the device through KSR704_PORTS, dumps its memory and saves
// init.cfg.

#include "sim/SimProcess.h"

#include <QDeadlineTimer>
#include <QFile>
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
};

QTEST_GUILESS_MAIN(RemoteEndToEndTest)
#include "tst_remote_e2e.moc"
