// The serial link through QSerialPort to ksr704-sim on a real pseudo-terminal,
// with port numbers mapped by KSR704_PORTS.

#include "support/ScriptedDialogs.h"
#include "sim/SimProcess.h"

#include "link/PortNames.h"
#include "link/SerialLink.h"
#include "link/SystemSerialPort.h"

#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>

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
        state.PortNumber = 2;
        state.PortUsable = true;
        link.OpenPort();
        link.SetReceiveSize(ReplyBytes);
        return state.PortOpened;
    }
};

FrameArgs ReadByteAt(int address)
{
    return {ReadByteCommand, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address & 0xFF),
            0, 0, 0, 0};
}

constexpr FrameArgs ProbeArgs = {ProbeCommand, 0, 0, 0, 0, 0, 0};

} // namespace

class LinkPtyTest : public QObject {
    Q_OBJECT
private slots:
    void probeMemoryReadAndBlockRead()
    {
        SimProcess sim;
        QVERIFY(sim.Start({QStringLiteral("--fast")}));
        PtyRig rig(sim.PortPath());

        rig.state.PortNumber = 1;
        rig.state.PortUsable = true;
        rig.link.OpenPort();
        QVERIFY(!rig.state.PortOpened);

        QVERIFY(rig.OpenDevicePort());
        QVERIFY(rig.link.ProbeDevice(ProbeArgs));

        // Write a byte of user memory and read it back.
        rig.link.ExchangeCommand({WriteByteCommand, 0x0F, 0x20, 0, 0xC4, 0, 0});
        rig.link.ExchangeCommand(ReadByteAt(0x0F20));
        QCOMPARE(rig.state.RxBuffer[6], std::uint8_t{0xC4});

        rig.link.SetReceiveSize(BlockBytes);
        rig.state.RxBuffer.fill(0xEE);
        QVERIFY(rig.link.ReadBlock({ReadPresetCommand, CurrentSettingsSelector, 0, 0, 0, 0, 0}));
        rig.link.SetReceiveSize(ReplyBytes);
        // A plausible preset image: automatic counts 1..12 on both channels.
        QVERIFY(rig.state.RxBuffer[76] >= 1 && rig.state.RxBuffer[76] <= 12);
        QVERIFY(rig.state.RxBuffer[156] >= 1 && rig.state.RxBuffer[156] <= 12);
        QCOMPARE(rig.state.RxBuffer[160], std::uint8_t{0xEE});

        // The link is back on 10-byte replies after the block.
        rig.link.ExchangeCommand(ReadByteAt(0x0F20));
        QCOMPARE(rig.state.RxBuffer[6], std::uint8_t{0xC4});
        QVERIFY(rig.dialogs.messages.isEmpty());
        QVERIFY(!rig.end.Ended());
    }

    void silentDeviceFailsTheProbe()
    {
        SimProcess sim;
        QVERIFY(sim.Start({QStringLiteral("--fast"), QStringLiteral("--silent"), QStringLiteral("-1")}));
        PtyRig rig(sim.PortPath());
        QVERIFY(rig.OpenDevicePort());
        QVERIFY(!rig.link.ProbeDevice(ProbeArgs));
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
        QCOMPARE(rig.state.RxBuffer[6], std::uint8_t{0x3B});
        QVERIFY(!rig.end.Ended());
    }

    void vanishedDeviceEndsInTimeOut()
    {
        SimProcess sim;
        QVERIFY(sim.Start({QStringLiteral("--fast")}));
        PtyRig rig(sim.PortPath());
        QVERIFY(rig.OpenDevicePort());
        QVERIFY(rig.link.ProbeDevice(ProbeArgs));
        sim.Stop();
        // Once the link has closed the dead port, a second simulator usually
        // gets the freed terminal's number; reopening the port must not reach it.
        std::atomic<bool> done = false;
        std::atomic<bool> otherStarted = false;
        std::thread starter([&] {
            QThread::msleep(500);
            SimProcess other;
            otherStarted = other.Start({QStringLiteral("--fast")});
            while (!done)
                QThread::msleep(20);
        });

        const double start = rig.clock.NowSeconds();
        rig.link.ExchangeCommand(ReadByteAt(0x0030));
        const double took = rig.clock.NowSeconds() - start;
        done = true;
        starter.join();
        QVERIFY(otherStarted);
        QCOMPARE(rig.dialogs.Texts(), QStringList{QStringLiteral("Time out")});
        QVERIFY(rig.end.Ended());
        // Six waits of 3.168 s, and not much more.
        QVERIFY2(took > 6 * ReplyTimeoutSeconds && took < 6 * ReplyTimeoutSeconds + 2.0,
                 qPrintable(QString::number(took)));
    }
};

QTEST_GUILESS_MAIN(LinkPtyTest)
#include "tst_link_pty.moc"
