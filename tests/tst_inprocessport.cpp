#include "core/Frames.h"
#include "sim/InProcessPort.h"
#include "sim/SimDevice.h"
#include "sim/VirtualClock.h"

#include <QTest>

#include <cmath>
#include <limits>
#include <memory>

using namespace ksr;
using namespace ksr::sim;

namespace {

QByteArray F(std::uint8_t code, std::uint8_t b3 = 0, std::uint8_t b4 = 0)
{
    const Frame frame = BuildFrame({code, b3, b4, 0, 0, 0, 0});
    return QByteArray(reinterpret_cast<const char *>(frame.data()), ReplyBytes);
}

double JustAfter(double t)
{
    return std::nextafter(t, std::numeric_limits<double>::infinity());
}

constexpr int DevicePort = 3;
constexpr int SilentPort = 4;

} // namespace

// A fresh clock, device and port for every test.
struct Rig {
    VirtualClock clock;
    SimDevice device;
    InProcessPort port{clock};
    Rig()
    {
        port.AttachDevice(DevicePort, &device);
        port.AddSilentPort(SilentPort);
    }
};

class TestInProcessPort : public QObject {
    Q_OBJECT

    std::unique_ptr<Rig> rig_;
    VirtualClock &clock() { return rig_->clock; }
    SimDevice &device() { return rig_->device; }
    InProcessPort &port() { return rig_->port; }

private slots:
    void init() { rig_ = std::make_unique<Rig>(); }

    void clockSleepsJustPastTarget_data()
    {
        QTest::addColumn<double>("target");
        QTest::addColumn<double>("expected");
        QTest::newRow("later") << 1000.5 << JustAfter(1000.5);
        QTest::newRow("now") << 1000.0 << JustAfter(1000.0);
        QTest::newRow("already past") << 999.0 << 1000.0;
    }
    void clockSleepsJustPastTarget()
    {
        QFETCH(double, target);
        QFETCH(double, expected);
        QCOMPARE(clock().NowSeconds(), VirtualClock::StartSeconds);
        clock().SleepUntil(target);
        QVERIFY(clock().NowSeconds() == expected);
    }

    void openOnlyKnownPorts_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("opens");
        QTest::newRow("device") << DevicePort << true;
        QTest::newRow("silent") << SilentPort << true;
        QTest::newRow("nothing there") << 5 << false;
        QTest::newRow("zero") << 0 << false;
    }
    void openOnlyKnownPorts()
    {
        QFETCH(int, number);
        QFETCH(bool, opens);
        QCOMPARE(port().Open(number), opens);
        QCOMPARE(port().IsOpen(), opens);
        if (opens)
            QCOMPARE(port().ReceiveSize(), 10);
    }

    void replyArrivesWhenDue()
    {
        QVERIFY(port().Open(DevicePort));
        const double sent = clock().NowSeconds();
        QVERIFY(port().Write(F(ProbeCommand)));
        QCOMPARE(port().BytesWaiting(), 0);
        clock().Advance(SimDevice::ReplyTurnaround);
        QCOMPARE(port().BytesWaiting(), 10);
        QCOMPARE(int(static_cast<std::uint8_t>(port().Read(10).at(3))), int(FrameMarker));
        QCOMPARE(port().Writes(), QList<QByteArray>{F(ProbeCommand)});
        QCOMPARE(port().WriteTimes(), QList<double>{sent});
    }

    void receiveSizeLimitsWhatWaits_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("waiting");
        QTest::newRow("10") << 10 << 10;
        QTest::newRow("160") << 160 << 12;
    }
    void receiveSizeLimitsWhatWaits()
    {
        QFETCH(int, size);
        QFETCH(int, waiting);
        QVERIFY(port().Open(DevicePort));
        QVERIFY(port().SetReceiveSize(size));
        Faults f;
        f.extraBytes = 2;
        device().SetFaults(f);
        const QByteArray probe = F(ProbeCommand);
        QVERIFY(port().Write(probe));
        clock().Advance(1.0);
        QCOMPARE(port().BytesWaiting(), waiting);
        // Reading frees room, but the lost bytes stay lost.
        port().Read(waiting);
        QCOMPARE(port().BytesWaiting(), 0);
    }

    void fullBufferLosesLaterBytes()
    {
        QVERIFY(port().Open(DevicePort));
        QVERIFY(port().Write(F(ReadByteCommand, 0, 0x30)));
        clock().Advance(0.1);
        QVERIFY(port().Write(F(ProbeCommand)));
        clock().Advance(0.1);
        // The probe's reply came while the buffer was full.
        QCOMPARE(port().Read(100), F(ReadByteCommand, 0, 0x30).replace(6, 1, "\x55"));
        clock().Advance(1.0);
        QCOMPARE(port().BytesWaiting(), 0);
    }

    void setReceiveSizeEmptiesBuffer()
    {
        QVERIFY(port().Open(DevicePort));
        QVERIFY(port().Write(F(ProbeCommand)));
        clock().Advance(0.01);
        QVERIFY(port().SetReceiveSize(160));
        QCOMPARE(port().BytesWaiting(), 0);
        QCOMPARE(port().ReceiveSize(), 160);
    }

    void writeKeepsReceivedBytes()
    {
        QVERIFY(port().Open(DevicePort));
        QVERIFY(port().Write(F(ProbeCommand)));
        clock().Advance(0.01);
        QVERIFY(port().Write(F(ExitCommand)));
        QCOMPARE(port().BytesWaiting(), 10);
        port().DiscardInput();
        QCOMPARE(port().BytesWaiting(), 0);
    }

    void waitAdvancesToLateReply()
    {
        QVERIFY(port().Open(DevicePort));
        Faults f;
        f.replyDelay = 0.2;
        device().SetFaults(f);
        const double sent = clock().NowSeconds();
        QVERIFY(port().Write(F(ProbeCommand)));
        QVERIFY(port().WaitForBytes(10, sent + 0.5));
        QCOMPARE(clock().NowSeconds(), sent + SimDevice::ReplyTurnaround + 0.2);
        QCOMPARE(port().BytesWaiting(), 10);
    }

    void waitFollowsSplitReply()
    {
        QVERIFY(port().Open(DevicePort));
        Faults f;
        f.splitAt = 4;
        f.splitDelay = 0.1;
        device().SetFaults(f);
        const double sent = clock().NowSeconds();
        QVERIFY(port().Write(F(ProbeCommand)));
        QVERIFY(port().WaitForBytes(4, sent + 1.0));
        QCOMPARE(port().BytesWaiting(), 4);
        QVERIFY(port().WaitForBytes(10, sent + 1.0));
        QCOMPARE(clock().NowSeconds(), sent + SimDevice::ReplyTurnaround + 0.1);
    }

    void waitEndsPastDeadline_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<double>("replyDelay");
        QTest::newRow("silent port") << SilentPort << 0.0;
        QTest::newRow("reply after deadline") << DevicePort << 1.0;
    }
    void waitEndsPastDeadline()
    {
        QFETCH(int, number);
        QFETCH(double, replyDelay);
        QVERIFY(port().Open(number));
        Faults f;
        f.replyDelay = replyDelay;
        device().SetFaults(f);
        QVERIFY(port().Write(F(ProbeCommand)));
        const double deadline = clock().NowSeconds() + 0.5;
        QVERIFY(!port().WaitForBytes(10, deadline));
        QVERIFY(clock().NowSeconds() == JustAfter(deadline));
        QCOMPARE(port().BytesWaiting(), 0);
    }

    void closedPortReturnsAtOnce()
    {
        const double start = clock().NowSeconds();
        QVERIFY(!port().WaitForBytes(1, start + 2.0));
        QCOMPARE(clock().NowSeconds(), start);
        QVERIFY(!port().Write(F(ProbeCommand)));
    }

    void replyWhileClosedIsLost()
    {
        QVERIFY(port().Open(DevicePort));
        QVERIFY(port().Write(F(ProbeCommand)));
        port().Close();
        clock().Advance(0.1);
        QVERIFY(port().Open(DevicePort));
        QCOMPARE(port().BytesWaiting(), 0);
    }

    void vanishedAdapterIsGone()
    {
        QVERIFY(port().Open(DevicePort));
        QVERIFY(port().Write(F(ProbeCommand)));
        port().Vanish();
        QVERIFY(!port().IsOpen());
        QVERIFY(!port().Write(F(ProbeCommand)));
        QVERIFY(!port().SetReceiveSize(160));
        QVERIFY(!port().Open(DevicePort));
        QVERIFY(!port().WaitForBytes(10, clock().NowSeconds() + 1.0));
        QCOMPARE(device().ReceivedFrames().size(), std::size_t(1));
        QVERIFY(port().Open(SilentPort));
    }

    void failedWritesSendNothing()
    {
        QVERIFY(port().Open(DevicePort));
        port().FailNextWrites(2);
        QVERIFY(!port().Write(F(ProbeCommand)));
        QVERIFY(!port().Write(F(ProbeCommand)));
        QVERIFY(port().Write(F(ExitCommand)));
        QCOMPARE(device().ReceivedFrames().size(), std::size_t(1));
        QCOMPARE(int(device().ReceivedFrames().front()[2]), int(ExitCommand));
        QCOMPARE(port().Writes().size(), 1);
    }

    void injectedBytesArriveInTimeOrder()
    {
        QVERIFY(port().Open(SilentPort));
        const double start = clock().NowSeconds();
        port().InjectBytes("late", start + 0.3);
        port().InjectBytes("early", start + 0.1);
        QCOMPARE(port().BytesWaiting(), 0);
        QVERIFY(port().WaitForBytes(5, start + 1.0));
        QCOMPARE(clock().NowSeconds(), start + 0.1);
        QVERIFY(port().WaitForBytes(9, start + 1.0));
        QCOMPARE(port().Read(20), QByteArray("earlylate"));
    }

    void injectedBytesMixWithReplies()
    {
        QVERIFY(port().Open(DevicePort));
        QVERIFY(port().SetReceiveSize(160));
        const double start = clock().NowSeconds();
        port().InjectBytes("ab", start + SimDevice::ReplyTurnaround / 2);
        port().InjectBytes("yz", start + 0.01);
        QVERIFY(port().Write(F(ExitCommand)));
        QVERIFY(port().WaitForBytes(14, start + 1.0));
        QCOMPARE(port().Read(20), "ab" + F(ExitCommand) + "yz");
    }
};

QTEST_GUILESS_MAIN(TestInProcessPort)
#include "tst_inprocessport.moc"
