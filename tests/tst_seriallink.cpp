// The command exchange over the in-process simulated device: frames, reply
// waits, resends, time-outs, the block read and the gating by the flags.

#include "support/LinkRig.h"

#include <QTest>

using namespace ksr;
using namespace ksr::test;

namespace {

QByteArray Rx(const SerialLink &link, int count)
{
    return QByteArray(reinterpret_cast<const char *>(link.RxBuffer().data()), count);
}

FrameArgs ReadByteAt(int address)
{
    return {ReadByteCommand, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address & 0xFF),
            0, 0, 0, 0};
}

template <typename T, typename V>
sim::Faults FaultsWith(T sim::Faults::*field, V value)
{
    sim::Faults faults;
    faults.*field = value;
    return faults;
}

constexpr FrameArgs ExitArgs = {ExitCommand, 0, 0, 0, 0, 0, 0};

} // namespace

class SerialLinkTest : public QObject {
    Q_OBJECT
private slots:
    void frameIsWrittenAsTenRawBytes_data()
    {
        QTest::addColumn<QByteArray>("args");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("notch filter") << QByteArray::fromHex("070103010A022D") << QByteArray::fromHex("F05B070103010A022DF7");
        QTest::newRow("markers as arguments") << QByteArray::fromHex("11F0F700F7F0F7")
                                              << QByteArray::fromHex("F05B11F0F700F7F0F7F7");
        QTest::newRow("exit") << QByteArray::fromHex("0F000000000000") << QByteArray::fromHex("F05B0F000000000000F7");
    }
    void frameIsWrittenAsTenRawBytes()
    {
        QFETCH(QByteArray, args);
        QFETCH(QByteArray, frame);
        LinkRig rig;
        FrameArgs a{};
        std::copy(args.begin(), args.end(), a.begin());
        rig.link.ExchangeCommand(a);
        QCOMPARE(rig.Writes(), QList<QByteArray>{frame});
        QCOMPARE(FrameBytes(rig.link.TxFrame()), frame);
        // The device saw the same frame: arguments equal to the markers do not
        // break the framing.
        QCOMPARE(rig.device.ReceivedFrames().size(), std::size_t{1});
        QCOMPARE(FrameBytes(rig.device.ReceivedFrames().front()), frame);
        QVERIFY(!rig.end.Ended());
    }

    void replyLandsInRxBuffer()
    {
        LinkRig rig;
        rig.device.SetMemoryByte(0x0F20, 0xA7);
        rig.link.ExchangeCommand(ReadByteAt(0x0F20));
        QCOMPARE(rig.link.RxBuffer()[6], std::uint8_t{0xA7});
        QCOMPARE(rig.port.BytesWaiting(), 0);
    }

    void silentDeviceGetsSixSendsThenTimeOut()
    {
        LinkRig rig;
        rig.device.SetFaults(FaultsWith(&sim::Faults::silentReplies, -1));
        const double start = rig.clock.NowSeconds();
        rig.link.ExchangeCommand(ExitArgs);

        const QList<QByteArray> writes = rig.Writes();
        QCOMPARE(writes.size(), 6);
        for (const QByteArray &w : writes)
            QCOMPARE(w, QByteArray::fromHex("F05B0F000000000000F7"));
        const QList<double> times = rig.port.WriteTimes();
        for (int i = 1; i < times.size(); ++i) {
            const double gap = times[i] - times[i - 1];
            QVERIFY2(gap > 3.168 && gap < 3.2, qPrintable(QString::number(gap)));
        }
        const double total = rig.clock.NowSeconds() - start;
        QVERIFY2(total > 6 * 3.168 && total < 6 * 3.2, qPrintable(QString::number(total)));

        QCOMPARE(rig.dialogs.messages.size(), 1);
        const MessageRequest &box = rig.dialogs.messages.front();
        QCOMPARE(box.text, QStringLiteral("Time out"));
        QCOMPARE(box.icon, MessageIcon::Exclamation);
        QCOMPARE(box.buttons, MessageButtons::Ok);
        QCOMPARE(rig.end.exitCodes, QList<int>{TimeOutExitCode});

        // The program is ending: a caller that goes on sends nothing more.
        rig.link.ExchangeCommand(ExitArgs);
        rig.link.SendWithoutReply({NotificationAck, 0, 0, 0, 0, 0, 0});
        QCOMPARE(rig.Writes().size(), 6);
        QCOMPARE(rig.dialogs.messages.size(), 1);
    }

    void oneMissingReplyIsResentOnce()
    {
        LinkRig rig;
        rig.device.SetFaults(FaultsWith(&sim::Faults::silentReplies, 1));
        rig.link.ExchangeCommand(ReadByteAt(0x0030));
        QCOMPARE(rig.Writes().size(), 2);
        QCOMPARE(rig.Writes()[0], rig.Writes()[1]);
        QVERIFY(!rig.end.Ended());
        QVERIFY(rig.dialogs.messages.isEmpty());
    }

    void extraBytesAfterAReplyAreDiscarded()
    {
        LinkRig rig;
        rig.device.SetFaults(FaultsWith(&sim::Faults::extraBytes, 2));
        rig.device.SetMemoryByte(0x0031, 0x55);
        rig.link.ExchangeCommand(ReadByteAt(0x0031));
        QCOMPARE(rig.link.RxBuffer()[6], std::uint8_t{0x55});
        QCOMPARE(rig.link.RxBuffer()[0], FrameStart);
        QCOMPARE(rig.port.BytesWaiting(), 0);
        // The next reply is read from its own first byte.
        rig.device.SetFaults({});
        rig.device.SetMemoryByte(0x0032, 0x12);
        rig.link.ExchangeCommand(ReadByteAt(0x0032));
        QCOMPARE(rig.link.RxBuffer()[0], FrameStart);
        QCOMPARE(rig.link.RxBuffer()[6], std::uint8_t{0x12});
        QCOMPARE(rig.Writes().size(), 2);
    }

    void replyInTwoPartsCompletes()
    {
        LinkRig rig;
        sim::Faults faults;
        faults.splitAt = 6;
        faults.splitDelay = 1.0;
        rig.device.SetFaults(faults);
        rig.device.SetMemoryByte(0x0070, 0x41);
        const double start = rig.clock.NowSeconds();
        rig.link.ExchangeCommand(ReadByteAt(0x0070));
        QCOMPARE(rig.Writes().size(), 1);
        QCOMPARE(rig.link.RxBuffer()[6], std::uint8_t{0x41});
        QCOMPARE(rig.link.RxBuffer()[9], FrameEnd);
        const double took = rig.clock.NowSeconds() - start;
        QVERIFY2(took >= 1.0 && took < 1.1, qPrintable(QString::number(took)));
    }

    void lateReplyAfterAResendCountsTowardsIt()
    {
        LinkRig rig;
        rig.device.SetFaults(FaultsWith(&sim::Faults::replyDelay, 3.5));
        const double start = rig.clock.NowSeconds();
        rig.link.ExchangeCommand(ExitArgs);
        // The reply to the first send arrives after the resend and completes it.
        QCOMPARE(rig.Writes().size(), 2);
        QVERIFY(!rig.end.Ended());
        const double took = rig.clock.NowSeconds() - start;
        QVERIFY2(took >= 3.5 && took < 3.6, qPrintable(QString::number(took)));
        QCOMPARE(Rx(rig.link, 3), QByteArray::fromHex("F05B0F"));
    }

    // One stray answer (bytes left waiting, a reply after its time-out, a
    // longer answer) affects at most the exchange it lands in, on a line
    // paced at 4800 baud as on a real one.
    void oneStrayAnswerShiftsNoLaterReply_data()
    {
        QTest::addColumn<bool>("paced");
        QTest::addColumn<double>("replyDelay");
        QTest::addColumn<int>("extraBytes");
        QTest::addColumn<bool>("staleBytes");
        QTest::addColumn<int>("sends");
        QTest::newRow("bytes waiting before the send") << false << 0.0 << 0 << true << 6;
        QTest::newRow("reply after its time-out") << true << 3.5 << 0 << false << 7;
        QTest::newRow("12-byte answer") << true << 0.0 << 2 << false << 6;
        QTest::newRow("12-byte answer, unpaced") << false << 0.0 << 2 << false << 6;
    }
    void oneStrayAnswerShiftsNoLaterReply()
    {
        QFETCH(bool, paced);
        QFETCH(double, replyDelay);
        QFETCH(int, extraBytes);
        QFETCH(bool, staleBytes);
        QFETCH(int, sends);
        LinkRig rig;
        if (paced)
            rig.port.SetLinePace(WireByteSeconds);
        QByteArray expected;
        for (int i = 0; i < 6; ++i) {
            rig.device.SetMemoryByte(0x0F20 + i, static_cast<std::uint8_t>(0xA0 + i));
            expected.append(static_cast<char>(0xA0 + i));
        }
        sim::Faults faults;
        faults.replyDelay = replyDelay;
        faults.extraBytes = extraBytes;
        faults.onlyCommand = ReadByteCommand;
        faults.skipAnswers = 3;
        faults.count = 1;
        rig.device.SetFaults(faults);

        QByteArray read;
        for (int i = 0; i < 6; ++i) {
            if (staleBytes && i == 3)
                rig.port.InjectBytes(QByteArray::fromHex("FE0103012C02140000"), rig.clock.NowSeconds());
            rig.link.ExchangeCommand(ReadByteAt(0x0F20 + i));
            read.append(static_cast<char>(rig.link.RxBuffer()[6]));
            QCOMPARE(rig.link.RxBuffer()[0], FrameStart);
        }
        QCOMPARE(read.toHex(' '), expected.toHex(' '));
        QCOMPARE(rig.Writes().size(), sends);
        QVERIFY(rig.dialogs.messages.isEmpty());
    }

    void probeChecksByteThree_data()
    {
        QTest::addColumn<bool>("garbage");
        QTest::addColumn<bool>("found");
        QTest::newRow("KSR-704 answers") << false << true;
        QTest::newRow("something else answers") << true << false;
    }
    void probeChecksByteThree()
    {
        QFETCH(bool, garbage);
        QFETCH(bool, found);
        LinkRig rig;
        rig.device.SetFaults(FaultsWith(&sim::Faults::garbage, garbage));
        QCOMPARE(rig.link.ProbeDevice({ProbeCommand, 0, 0, 0, 0, 0, 0}), found);
        QCOMPARE(rig.Writes(), QList<QByteArray>{QByteArray::fromHex("F05B00000000000000F7")});
        QVERIFY(rig.dialogs.messages.isEmpty());
    }

    void silentProbeFailsAfterOneTimeOutWithoutResend()
    {
        LinkRig rig;
        rig.device.SetFaults(FaultsWith(&sim::Faults::silentReplies, -1));
        const double start = rig.clock.NowSeconds();
        QVERIFY(!rig.link.ProbeDevice({ProbeCommand, 0, 0, 0, 0, 0, 0}));
        const double took = rig.clock.NowSeconds() - start;
        QVERIFY2(took > 3.168 && took < 3.2, qPrintable(QString::number(took)));
        QCOMPARE(rig.Writes().size(), 1);
        QVERIFY(rig.dialogs.messages.isEmpty());
        QVERIFY(!rig.end.Ended());
    }

    void openPortSetsBothFlags_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("opened");
        QTest::newRow("device port") << LinkRig::DevicePort << true;
        QTest::newRow("missing port") << 7 << false;
        QTest::newRow("port 0") << 0 << false;
    }
    void openPortSetsBothFlags()
    {
        QFETCH(int, number);
        QFETCH(bool, opened);
        LinkRig rig;
        rig.link.SetPortNumber(static_cast<std::int16_t>(number));
        rig.link.OpenPort();
        QCOMPARE(rig.link.PortOpened(), opened);
        QCOMPARE(rig.link.PortUsable(), opened);
        QVERIFY(rig.dialogs.messages.isEmpty());
    }

    // Which operation does nothing under which flag.
    void gatingTable_data()
    {
        QTest::addColumn<bool>("demo");
        QTest::addColumn<bool>("suppressed");
        QTest::addColumn<bool>("usable");
        QTest::addColumn<bool>("exchangeSends");
        QTest::addColumn<bool>("ackSends");
        QTest::addColumn<bool>("probeAndBlockRun");
        QTest::newRow("all clear") << false << false << true << true << true << true;
        QTest::newRow("demo mode") << true << false << true << false << false << false;
        QTest::newRow("sending suppressed") << false << true << true << false << false << false;
        QTest::newRow("port not usable") << false << false << false << true << true << false;
    }
    void gatingTable()
    {
        QFETCH(bool, demo);
        QFETCH(bool, suppressed);
        QFETCH(bool, usable);
        QFETCH(bool, exchangeSends);
        QFETCH(bool, ackSends);
        QFETCH(bool, probeAndBlockRun);

        LinkRig rig;
        rig.state.DemoMode = demo;
        rig.state.SendSuppressed = suppressed;
        rig.link.SetPortUsable(usable);
        rig.link.RxBuffer().fill(0x77);

        rig.link.ExchangeCommand(ExitArgs);
        QCOMPARE(rig.Writes().size(), exchangeSends ? 1 : 0);
        if (!exchangeSends)
            QCOMPARE(rig.link.RxBuffer()[0], std::uint8_t{0x77});

        rig.port.ClearWrites();
        rig.link.SendWithoutReply({NotificationAck, 0, 0, 0, 0, 0, 0});
        QCOMPARE(rig.Writes().size(), ackSends ? 1 : 0);

        rig.port.ClearWrites();
        QCOMPARE(rig.link.ProbeDevice({ProbeCommand, 0, 0, 0, 0, 0, 0}), probeAndBlockRun);
        rig.link.SetReceiveSize(BlockBytes);
        QCOMPARE(rig.link.ReadBlock({ReadPresetCommand, CurrentSettingsSelector, 0, 0, 0, 0, 0}), probeAndBlockRun);
        QCOMPARE(rig.Writes().size(), probeAndBlockRun ? 2 : 0);
        QVERIFY(rig.dialogs.messages.isEmpty());
    }

    void blockReadReturnsCurrentSettings()
    {
        LinkRig rig;
        rig.link.SetReceiveSize(BlockBytes);
        QVERIFY(rig.link.ReadBlock({ReadPresetCommand, CurrentSettingsSelector, 0, 0, 0, 0, 0}));
        const auto current = rig.device.CurrentSettings();
        QCOMPARE(Rx(rig.link, BlockBytes),
                 QByteArray(reinterpret_cast<const char *>(current.data()), BlockBytes));
        QCOMPARE(rig.Writes(), QList<QByteArray>{QByteArray::fromHex("F05B0BFF0000000000F7")});
    }

    void blockNeedsTheLargeReceiveBuffer()
    {
        // With the normal receive size of 10 the 160 bytes never all wait.
        LinkRig rig;
        QVERIFY(!rig.link.ReadBlock({ReadPresetCommand, CurrentSettingsSelector, 0, 0, 0, 0, 0}));
        QCOMPARE(rig.Writes().size(), 6);
        QCOMPARE(rig.dialogs.Texts(), QStringList{QStringLiteral("Time out")});
    }

    void blockReadHasItsOwnTimeOut()
    {
        LinkRig rig;
        rig.link.SetReceiveSize(BlockBytes);
        rig.device.SetFaults(FaultsWith(&sim::Faults::silentReplies, -1));
        QVERIFY(!rig.link.ReadBlock({ReadPresetCommand, 3, 0, 0, 0, 0, 0}));
        const QList<double> times = rig.port.WriteTimes();
        QCOMPARE(times.size(), 6);
        for (int i = 1; i < times.size(); ++i) {
            const double gap = times[i] - times[i - 1];
            QVERIFY2(gap > 18.144 && gap < 18.2, qPrintable(QString::number(gap)));
        }
        QCOMPARE(rig.dialogs.Texts(), QStringList{QStringLiteral("Time out")});
        QCOMPARE(rig.end.exitCodes, QList<int>{TimeOutExitCode});
    }

    void lateBlockArrivesWithinItsTimeOut()
    {
        // A block that takes longer than a reply time-out is still awaited.
        LinkRig rig;
        rig.link.SetReceiveSize(BlockBytes);
        rig.device.SetFaults(FaultsWith(&sim::Faults::replyDelay, 10.0));
        QVERIFY(rig.link.ReadBlock({ReadPresetCommand, CurrentSettingsSelector, 0, 0, 0, 0, 0}));
        QCOMPARE(rig.Writes().size(), 1);
    }

    void truncatedBlockIsNotToppedUpByTheNextOne()
    {
        LinkRig rig;
        rig.link.SetReceiveSize(BlockBytes);
        sim::Faults faults;
        faults.truncateBlock = 100;
        faults.count = 1;
        rig.device.SetFaults(faults);
        QVERIFY(rig.link.ReadBlock({ReadPresetCommand, CurrentSettingsSelector, 0, 0, 0, 0, 0}));
        // The resend's whole block, not 100 bytes of the first and 60 of the second.
        QCOMPARE(rig.Writes().size(), 2);
        const auto current = rig.device.CurrentSettings();
        QCOMPARE(Rx(rig.link, BlockBytes), QByteArray(reinterpret_cast<const char *>(current.data()), BlockBytes));
    }

    void alwaysTruncatedBlockEndsInTimeOut()
    {
        LinkRig rig;
        rig.link.SetReceiveSize(BlockBytes);
        rig.device.SetFaults(FaultsWith(&sim::Faults::truncateBlock, 159));
        QVERIFY(!rig.link.ReadBlock({ReadPresetCommand, 2, 0, 0, 0, 0, 0}));
        QCOMPARE(rig.Writes().size(), 6);
        QCOMPARE(rig.dialogs.Texts(), QStringList{QStringLiteral("Time out")});
    }

    void failedWritesCountAsMissingReplies()
    {
        LinkRig rig;
        rig.port.FailNextWrites(3);
        rig.link.ExchangeCommand(ExitArgs);
        // Three sends were lost, the fourth was answered.
        QCOMPARE(rig.device.ReceivedFrames().size(), std::size_t{1});
        QVERIFY(!rig.end.Ended());
        QCOMPARE(Rx(rig.link, 3), QByteArray::fromHex("F05B0F"));
    }

    void vanishedPortEndsInTimeOutAtOnce()
    {
        // Nothing can answer on a failed port: its sends fail one after the
        // other without waiting out their reply times.
        LinkRig rig;
        rig.port.Vanish();
        const double start = rig.clock.NowSeconds();
        rig.link.ExchangeCommand(ExitArgs);
        QCOMPARE(rig.clock.NowSeconds(), start);
        QCOMPARE(rig.dialogs.Texts(), QStringList{QStringLiteral("Time out")});
        QVERIFY(rig.end.Ended());
    }

    void vanishedPortFailsTheBlockReadAtOnce()
    {
        LinkRig rig;
        rig.link.SetReceiveSize(BlockBytes);
        rig.port.Vanish();
        const double start = rig.clock.NowSeconds();
        QVERIFY(!rig.link.ReadBlock({ReadPresetCommand, CurrentSettingsSelector, 0, 0, 0, 0, 0}));
        QCOMPARE(rig.clock.NowSeconds(), start);
        QVERIFY(rig.dialogs.messages.isEmpty());
        QVERIFY(!rig.link.ProbeDevice({ProbeCommand, 0, 0, 0, 0, 0, 0}));
    }
};

QTEST_APPLESS_MAIN(SerialLinkTest)
#include "tst_seriallink.moc"
