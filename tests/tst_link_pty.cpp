// The serial link through QSerialPort to ksr704-sim on a real pseudo-terminal,
// and through a TCP connection to ksr704-sim --tcp on loopback, with port
// numbers mapped by KSR704_PORTS.

#include "support/ScriptedDialogs.h"
#include "sim/SimProcess.h"

#include "link/PortNames.h"
#include "link/SerialLink.h"
#include "link/SystemSerialPort.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <unistd.h>


using namespace ksr;
using namespace ksr::test;
using ksr::sim::SimProcess;

namespace {

struct PtyRig {
    AppState state;
    SteadyClock clock;
    SystemSerialPort port{clock, SystemPortDevicePath};
    ScriptedDialogs dialogs;
    RecordingProgramEnd end;
    SerialLink link{state, port, clock, dialogs, end};

    // Port 1 names nothing that exists, port 2 is the simulator.
    explicit PtyRig(const QString &devicePath)
    {
        qputenv("KSR704_PORTS", QByteArrayLiteral("/nonexistent/ksr704:") + devicePath.toLocal8Bit());
    }
    ~PtyRig() { qunsetenv("KSR704_PORTS"); }

    bool OpenDevicePort()
    {
        link.SetPortNumber(2);
        link.SetPortUsable(true);
        link.OpenPort();
        link.SetReceiveSize(ReplyBytes);
        return link.PortOpened();
    }
};

FrameArgs ReadByteAt(int address)
{
    return {ReadByteCommand, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address & 0xFF),
            0, 0, 0, 0};
}

constexpr FrameArgs ProbeArgs = {ProbeCommand, 0, 0, 0, 0, 0, 0};

// The test's resident memory in bytes.
qint64 ResidentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

// The simulator's options with `fault`, on a terminal or, over TCP, on a
// loopback port of its own choice.
QStringList SimArguments(bool tcp, const QStringList &fault = {})
{
    return QStringList{QStringLiteral("--fast")} + fault
           + (tcp ? SimProcess::TcpLoopback() : QStringList{});
}

void AddLineRows()
{
    QTest::addColumn<bool>("tcp");
    QTest::newRow("terminal") << false;
    QTest::newRow("tcp") << true;
}

} // namespace

class LinkPtyTest : public QObject {
    Q_OBJECT
private slots:
    void probeMemoryReadAndBlockRead_data() { AddLineRows(); }
    void probeMemoryReadAndBlockRead()
    {
        QFETCH(bool, tcp);
        SimProcess sim;
        QVERIFY(sim.Start(SimArguments(tcp)));
        PtyRig rig(sim.PortPath());

        rig.link.SetPortNumber(1);
        rig.link.SetPortUsable(true);
        rig.link.OpenPort();
        QVERIFY(!rig.link.PortOpened());

        QVERIFY(rig.OpenDevicePort());
        QVERIFY(rig.link.ProbeDevice(ProbeArgs));

        // Write a byte of user memory and read it back.
        rig.link.ExchangeCommand({WriteByteCommand, 0x0F, 0x20, 0, 0xC4, 0, 0});
        rig.link.ExchangeCommand(ReadByteAt(0x0F20));
        QCOMPARE(rig.link.RxBuffer()[6], std::uint8_t{0xC4});

        rig.link.SetReceiveSize(BlockBytes);
        rig.link.RxBuffer().fill(0xEE);
        QVERIFY(rig.link.ReadBlock({ReadPresetCommand, CurrentSettingsSelector, 0, 0, 0, 0, 0}));
        rig.link.SetReceiveSize(ReplyBytes);
        // A plausible preset image: automatic counts 1..12 on both channels.
        QVERIFY(rig.link.RxBuffer()[76] >= 1 && rig.link.RxBuffer()[76] <= 12);
        QVERIFY(rig.link.RxBuffer()[156] >= 1 && rig.link.RxBuffer()[156] <= 12);
        QCOMPARE(rig.link.RxBuffer()[160], std::uint8_t{0xEE});

        // The link is back on 10-byte replies after the block.
        rig.link.ExchangeCommand(ReadByteAt(0x0F20));
        QCOMPARE(rig.link.RxBuffer()[6], std::uint8_t{0xC4});
        QVERIFY(rig.dialogs.messages.isEmpty());
        QVERIFY(!rig.end.Ended());
    }

    // A line that floods while nobody reads it costs no memory beyond the
    // port's bounds, and the next exchange fails at once, as on a failed
    // port, rather than taking flood bytes for its reply.
    void floodIsBoundedAndFailsTheExchange_data() { AddLineRows(); }
    void floodIsBoundedAndFailsTheExchange()
    {
        QFETCH(bool, tcp);
        SimProcess sim;
        QVERIFY(sim.Start(SimArguments(tcp, {QStringLiteral("--flood-after"), QStringLiteral("10")})));
        PtyRig rig(sim.PortPath());
        QVERIFY(rig.OpenDevicePort());
        QVERIFY(rig.link.ProbeDevice(ProbeArgs));
        const qint64 before = ResidentBytes();
        QTest::qWait(2000);
        QVERIFY2(ResidentBytes() - before < 64 * 1024 * 1024,
                 qPrintable(QStringLiteral("%1 MiB more").arg((ResidentBytes() - before) >> 20)));
        QElapsedTimer took;
        took.start();
        rig.link.ExchangeCommand(ReadByteAt(0x0F20));
        QCOMPARE(rig.dialogs.Texts(), QStringList{QStringLiteral("Time out")});
        QCOMPARE(rig.end.exitCodes, QList<int>{TimeOutExitCode});
        QVERIFY2(took.elapsed() < 3000, qPrintable(QString::number(took.elapsed())));
        QVERIFY(ResidentBytes() - before < 64 * 1024 * 1024);
    }

    // A device server that accepts and never answers is a silent device.
    void silentDeviceFailsTheProbe_data() { AddLineRows(); }
    void silentDeviceFailsTheProbe()
    {
        QFETCH(bool, tcp);
        SimProcess sim;
        QVERIFY(sim.Start(SimArguments(tcp, {QStringLiteral("--silent"), QStringLiteral("-1")})));
        PtyRig rig(sim.PortPath());
        QVERIFY(rig.OpenDevicePort());
        // The wait of 3.168 s runs the event loop: a 100 ms timer goes on.
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(100);
        QList<bool> busy;
        rig.link.SetBusyChanged([&](bool b) { busy << b; });
        QVERIFY(!rig.link.ProbeDevice(ProbeArgs));
        QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks)));
        QCOMPARE(busy, (QList<bool>{true, false}));
        QVERIFY(rig.dialogs.messages.isEmpty());
        QVERIFY(rig.port.IsOpen());
    }

    // A device server that refuses the connection, or never takes it up
    // (its queue is full), is a port that cannot be opened: at once, or
    // after the connection's own time-out, the windows painting meanwhile.
    void unreachableServerCannotBeOpened_data()
    {
        QTest::addColumn<bool>("refused");
        QTest::newRow("refused") << true;
        QTest::newRow("never accepted") << false;
    }
    void unreachableServerCannotBeOpened()
    {
        QFETCH(bool, refused);
        QTcpServer server;
        server.setListenBacklogSize(0);
        QVERIFY(server.listen(QHostAddress::LocalHost));
        const quint16 serverPort = server.serverPort();
        // One connection fills the queue that nobody takes from.
        QTcpSocket first;
        if (refused) {
            server.close();
        } else {
            first.connectToHost(QHostAddress::LocalHost, serverPort);
            QVERIFY(first.waitForConnected(1000));
            server.pauseAccepting();
        }
        PtyRig rig(QStringLiteral("tcp://127.0.0.1:%1").arg(serverPort));
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(100);
        const double start = rig.clock.NowSeconds();
        rig.link.SetPortNumber(2);
        rig.link.SetPortUsable(true);
        rig.link.OpenPort();
        QVERIFY(!rig.link.PortOpened());
        const double took = rig.clock.NowSeconds() - start;
        if (refused) {
            QVERIFY2(took < 0.5, qPrintable(QString::number(took)));
        } else {
            QVERIFY2(took > 2.9 && took < 4.0, qPrintable(QString::number(took)));
            QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks)));
        }
        QVERIFY(!rig.port.IsOpen());
        QVERIFY(!rig.port.Write(QByteArray::fromHex("F05B00000000000000F7")));
        QVERIFY(rig.dialogs.messages.isEmpty());
    }

    void oneMissingReplyIsResent()
    {
        SimProcess sim;
        QVERIFY(sim.Start({QStringLiteral("--fast"), QStringLiteral("--silent"), QStringLiteral("1")}));
        PtyRig rig(sim.PortPath());
        QVERIFY(rig.OpenDevicePort());
        rig.link.ExchangeCommand({WriteByteCommand, 0x0F, 0x21, 0, 0x3B, 0, 0});
        rig.link.ExchangeCommand(ReadByteAt(0x0F21));
        QCOMPARE(rig.link.RxBuffer()[6], std::uint8_t{0x3B});
        QVERIFY(!rig.end.Ended());
    }

    // One late reply or one longer answer on a 4800 baud line shifts no
    // later reply: six name bytes read back as they are.
    void oneStrayAnswerShiftsNoLaterReply_data()
    {
        QTest::addColumn<QStringList>("fault");
        const QStringList tcp = SimProcess::TcpLoopback();
        QTest::newRow("reply after its time-out") << QStringList{QStringLiteral("--reply-delay"), QStringLiteral("3500")};
        QTest::newRow("12-byte answer") << QStringList{QStringLiteral("--extra"), QStringLiteral("2")};
        QTest::newRow("12-byte answer over tcp") << QStringList{QStringLiteral("--extra"), QStringLiteral("2")} + tcp;
    }
    void oneStrayAnswerShiftsNoLaterReply()
    {
        QFETCH(QStringList, fault);
        SimProcess sim;
        QVERIFY(sim.Start(QStringList{QStringLiteral("--baud"), QStringLiteral("4800"), QStringLiteral("--fault-command"),
                                      QStringLiteral("16"), QStringLiteral("--fault-count"), QStringLiteral("1"),
                                      QStringLiteral("--fault-after"), QStringLiteral("3")}
                          + fault));
        PtyRig rig(sim.PortPath());
        QVERIFY(rig.OpenDevicePort());
        QByteArray expected;
        for (int i = 0; i < 6; ++i) {
            rig.link.ExchangeCommand({WriteByteCommand, 0x0F, static_cast<std::uint8_t>(0x20 + i), 0,
                                      static_cast<std::uint8_t>(0xA0 + i), 0, 0});
            expected.append(static_cast<char>(0xA0 + i));
        }
        QByteArray read;
        for (int i = 0; i < 6; ++i) {
            rig.link.ExchangeCommand(ReadByteAt(0x0F20 + i));
            read.append(static_cast<char>(rig.link.RxBuffer()[6]));
        }
        QCOMPARE(read.toHex(' '), expected.toHex(' '));
        // The exchanges after it are whole replies again.
        rig.link.ExchangeCommand(ReadByteAt(0x0F25));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(rig.link.RxBuffer().data()), ReplyBytes),
                 QByteArray::fromHex("F05B100F2500A50000F7"));
        QVERIFY(rig.dialogs.messages.isEmpty());
    }

    // A device that vanished fails the exchange at once ("Time out" without
    // six waits) and the block read at once (false, no message); the failed
    // port stays closed, so nothing reaches a device that appears later.
    void vanishedDeviceFailsAtOnceAndStaysClosed_data()
    {
        QTest::addColumn<bool>("block");
        QTest::addColumn<bool>("tcp");
        QTest::newRow("exchange") << false << false;
        QTest::newRow("block read") << true << false;
        // The connection to the device server drops.
        QTest::newRow("tcp exchange") << false << true;
        QTest::newRow("tcp block read") << true << true;
    }
    void vanishedDeviceFailsAtOnceAndStaysClosed()
    {
        QFETCH(bool, block);
        QFETCH(bool, tcp);
        SimProcess sim;
        QVERIFY(sim.Start(SimArguments(tcp)));
        PtyRig rig(sim.PortPath());
        QVERIFY(rig.OpenDevicePort());
        QVERIFY(rig.link.ProbeDevice(ProbeArgs));
        if (block)
            rig.link.SetReceiveSize(BlockBytes);
        sim.Stop();

        const double start = rig.clock.NowSeconds();
        if (block)
            QVERIFY(!rig.link.ReadBlock({ReadPresetCommand, CurrentSettingsSelector, 0, 0, 0, 0, 0}));
        else
            rig.link.ExchangeCommand(ReadByteAt(0x0030));
        const double took = rig.clock.NowSeconds() - start;
        QVERIFY2(took < 1.0, qPrintable(QString::number(took)));
        QCOMPARE(rig.dialogs.Texts(), block ? QStringList{} : QStringList{QStringLiteral("Time out")});
        QCOMPARE(rig.end.Ended(), !block);

        // A second simulator usually gets the freed terminal's number; over
        // TCP one listens again at the same address.
        SimProcess other;
        const QString address = sim.PortPath().mid(6);
        QVERIFY(other.Start(tcp ? SimArguments(false) + QStringList{QStringLiteral("--tcp"), address}
                                : SimArguments(false)));
        QVERIFY(!rig.port.IsOpen());
        QVERIFY(!rig.port.Write(QByteArray::fromHex("F05B11003000550000F7")));
        QVERIFY(!rig.port.WaitForBytes(1, rig.clock.NowSeconds() + 1.0));
        QVERIFY(rig.clock.NowSeconds() - start < 1.5);
    }
};

QTEST_GUILESS_MAIN(LinkPtyTest)
#include "tst_link_pty.moc"
