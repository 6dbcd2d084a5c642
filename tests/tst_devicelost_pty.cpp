// The device lost and found again on the real clock: ksr704-sim on a
// pseudo-terminal that vanishes and comes back, a tcp:// device server that
// is restarted, one that takes the connection and never answers, and a
// device stopped in the middle of an edit. Throughout, the window keeps
// answering its event loop, and nothing but probes reaches the line while
// the device is away.

#include "support/SimulatorRig.h"

#include "core/Frames.h"
#include "core/TcpAddress.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

using namespace ksr;
using namespace ksr::test;

namespace {

// The window goes back online after the device's first answer within 3 s
// plus the dump; the retries come every 2 s. Generous for a loaded machine.
constexpr int BackWithinMs = 30000;

// The longest the event loop went without running a 50 ms timer, from
// construction on: the window never freezes while the device is away.
class LoopWatch {
public:
    LoopWatch()
    {
        QObject::connect(&tick_, &QTimer::timeout, &tick_, [this] {
            longest_ = std::max(longest_, since_.restart());
        });
        since_.start();
        tick_.start(50);
    }
    qint64 LongestMs() const { return longest_; }

private:
    QTimer tick_;
    QElapsedTimer since_;
    qint64 longest_ = 0;
};

bool Offline(SimulatorRig &rig, int timeoutMs)
{
    return QTest::qWaitFor([&] { return !rig.program.Recovery().LostText().isEmpty(); }, timeoutMs);
}

bool Online(SimulatorRig &rig, int timeoutMs)
{
    return QTest::qWaitFor([&] { return !rig.program.State().DeviceLost && rig.program.Recovery().LostText().isEmpty(); },
                           timeoutMs);
}

QByteArray Image(const PresetValues &values)
{
    return QByteArray(reinterpret_cast<const char *>(values.PresetImage.data()), PresetBytes);
}

// The keep-alive idle time of this process's TCP connection to `port` on
// loopback, -1 when there is none or keep-alive is off.
int KeepAliveIdleTo(int port)
{
    for (int fd = 0; fd < 1024; ++fd) {
        sockaddr_in peer{};
        socklen_t size = sizeof peer;
        if (getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &size) != 0 || peer.sin_family != AF_INET
            || ntohs(peer.sin_port) != port)
            continue;
        int on = 0;
        int idle = 0;
        socklen_t length = sizeof on;
        if (getsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, &length) != 0 || on == 0)
            return -1;
        length = sizeof idle;
        return getsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, &length) == 0 ? idle : -1;
    }
    return -1;
}

QStringList TcpAt(quint16 port)
{
    return {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(port)};
}

// Starts the simulator as a device server on loopback and the program on
// it; the server's port, 0 when either did not start.
quint16 StartOnDeviceServer(SimulatorRig &rig)
{
    if (!rig.StartSim(SimPace::Unpaced, sim::SimProcess::TcpLoopback()))
        return 0;
    const std::optional<TcpAddress> address = ParseTcpAddress(rig.sim.PortPath());
    rig.Start();
    return address && rig.program.MainWindow().isVisible() ? static_cast<quint16>(address->port) : 0;
}

} // namespace

class DeviceLostPtyTest : public QObject {
    Q_OBJECT
private slots:
    // The simulator ends, its terminal and link go; the window is offline
    // at once, without a frame; a new simulator at the same link with the
    // same state is found again, with no question.
    void terminalVanishesAndComesBack()
    {
        QTemporaryDir folder;
        const QStringList options{QStringLiteral("--link"), folder.filePath(QStringLiteral("ksr704")),
                                  QStringLiteral("--state"), folder.filePath(QStringLiteral("device.state"))};
        SimulatorRig rig;
        QVERIFY(rig.StartSim(SimPace::Line4800, options));
        rig.Start();
        QVERIFY(rig.program.MainWindow().isVisible());
        rig.program.Editor().HScroll20[4]->setValue(20);
        const QByteArray edited = Image(rig.program.Values());
        LoopWatch watch;
        QVERIFY(rig.sim.Stop());
        QVERIFY(Offline(rig, 5000));
        QVERIFY(rig.dialogs.Texts().isEmpty());
        QVERIFY2(rig.program.Recovery().LostText().startsWith(QStringLiteral("Device lost on ")),
                 qPrintable(rig.program.Recovery().LostText()));
        // A few tries on a port that does not open.
        QTest::qWait(2 * RetryMilliseconds + 500);
        QVERIFY(rig.program.State().DeviceLost);
        QVERIFY(rig.sim.Start(QStringList{QStringLiteral("--baud"), QStringLiteral("4800")} + options));
        QVERIFY(Online(rig, BackWithinMs));
        QVERIFY2(rig.dialogs.Texts().isEmpty(), qPrintable(rig.dialogs.Texts().join(QLatin1Char('|'))));
        QCOMPARE(Image(rig.program.Values()), edited);
        QVERIFY2(watch.LongestMs() < 1500, qPrintable(QString::number(watch.LongestMs())));
        // Edits reach the device again.
        rig.program.Editor().HScroll20[4]->setValue(22);
        QVERIFY(!rig.program.State().DeviceLost);
    }

    // The device stops (SIGSTOP) and an edit gets no answer: "Time out",
    // offline; it goes on (SIGCONT) and is found again.
    void deviceStoppedDuringAnEdit()
    {
        SimulatorRig rig;
        QVERIFY(rig.StartSim(SimPace::Unpaced));
        rig.Start();
        QVERIFY(rig.program.MainWindow().isVisible());
        const auto pid = static_cast<pid_t>(rig.sim.Process().processId());
        QCOMPARE(::kill(pid, SIGSTOP), 0);
        rig.program.Editor().HScroll20[3]->setValue(15);
        QCOMPARE(rig.dialogs.Texts(), QStringList{QStringLiteral("Time out")});
        QVERIFY(!rig.end.Ended());
        QVERIFY(Offline(rig, 5000));
        LoopWatch watch;
        rig.program.Editor().HScroll20[5]->setValue(16);
        QCOMPARE(::kill(pid, SIGCONT), 0);
        QVERIFY(Online(rig, BackWithinMs));
        // The edit the device took before it stopped answering is its own;
        // the one made offline differs: the question, and the default keeps
        // the device's settings.
        QCOMPARE(rig.dialogs.Texts().size(), 2);
        QVERIFY(rig.dialogs.Texts().at(1).startsWith(QStringLiteral("The device is back. 1 setting differs")));
        QVERIFY2(watch.LongestMs() < 1500, qPrintable(QString::number(watch.LongestMs())));
    }

    // The device server restarts with a device of other settings: the
    // connection drops while idle (offline at once), the reconnection finds
    // it, and the window's settings are sent when asked to.
    void deviceServerRestartsWithOtherSettings()
    {
        SimulatorRig rig;
        const quint16 port = StartOnDeviceServer(rig);
        QVERIFY(port != 0);
        // A pulled network cable is noticed while idle: keep-alive is on,
        // and gives up well within 10 s.
        QCOMPARE(KeepAliveIdleTo(port), KeepAliveIdleSeconds);
        static_assert(KeepAliveIdleSeconds + KeepAliveProbes * KeepAliveIntervalSeconds < 10);
        rig.program.Editor().HScroll20[2]->setValue(30);
        const QByteArray window = Image(rig.program.Values());
        QVERIFY(rig.sim.Stop());
        QVERIFY(Offline(rig, 5000));
        QVERIFY(rig.dialogs.Texts().isEmpty());
        // A fresh device: the edit above is not in it.
        rig.dialogs.answers = {MessageAnswer::No};
        QVERIFY(rig.sim.Start(QStringList{QStringLiteral("--fast"), QStringLiteral("--log")} + TcpAt(port)));
        QVERIFY(Online(rig, BackWithinMs));
        QCOMPARE(rig.dialogs.Texts().size(), 1);
        QCOMPARE(Image(rig.program.Values()), window);
        // The one notch that differs went out: the device's log shows it.
        QByteArray log;
        while (rig.sim.Process().waitForReadyRead(300))
            log += rig.sim.Process().readAllStandardOutput();
        log += rig.sim.Process().readAllStandardOutput();
        QCOMPARE(log.count("F0 5B 07"), 1);
    }

    // A server that takes the connection and never answers: the tries go on
    // every 2 s, each only a probe, and the window never freezes.
    void serverThatNeverAnswers()
    {
        SimulatorRig rig;
        const quint16 port = StartOnDeviceServer(rig);
        QVERIFY(port != 0);
        QVERIFY(rig.sim.Stop());
        QVERIFY(Offline(rig, 5000));

        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost, port));
        QByteArray received;
        int connections = 0;
        QObject::connect(&silent, &QTcpServer::newConnection, &silent, [&] {
            while (QTcpSocket *client = silent.nextPendingConnection()) {
                ++connections;
                QObject::connect(client, &QTcpSocket::readyRead, client, [&received, client] { received += client->readAll(); });
            }
        });
        LoopWatch watch;
        QTest::qWait(3 * RetryMilliseconds + 3500);
        QVERIFY(rig.program.State().DeviceLost);
        QVERIFY2(connections >= 2, qPrintable(QString::number(connections)));
        QVERIFY(!received.isEmpty());
        QCOMPARE(received.size() % TxFrameBytes, 0);
        for (qsizetype at = 0; at < received.size(); at += TxFrameBytes)
            QCOMPARE(received.mid(at, 3), QByteArray::fromHex("F05B00"));
        QVERIFY2(watch.LongestMs() < 1500, qPrintable(QString::number(watch.LongestMs())));
        silent.close();
    }

    // A server whose queue is full never takes the connection up (as one
    // behind a pulled network cable): each try waits for it without
    // holding the windows, which take input throughout.
    void serverThatNeverTakesTheConnection()
    {
        SimulatorRig rig;
        const quint16 port = StartOnDeviceServer(rig);
        QVERIFY(port != 0);
        QVERIFY(rig.sim.Stop());
        QVERIFY(Offline(rig, 5000));

        QTcpServer full;
        full.setListenBacklogSize(0);
        QVERIFY(full.listen(QHostAddress::LocalHost, port));
        QTcpSocket first;
        first.connectToHost(QHostAddress::LocalHost, full.serverPort());
        QVERIFY(first.waitForConnected(1000));
        full.pauseAccepting();
        int ticks = 0;
        int busy = 0;
        QTimer sample;
        QObject::connect(&sample, &QTimer::timeout, &sample, [&] {
            ++ticks;
            busy += rig.program.Link().Busy() ? 1 : 0;
        });
        sample.start(50);
        QTest::qWait(2 * (RetryMilliseconds + DeviceServerPort::ConnectTimeoutMs) + 500);
        QVERIFY(rig.program.State().DeviceLost);
        QVERIFY2(busy * 10 < ticks, qPrintable(QStringLiteral("%1 of %2").arg(busy).arg(ticks)));
    }
};

QTEST_MAIN(DeviceLostPtyTest)
#include "tst_devicelost_pty.moc"
