// The whole program through QSerialPort against ksr704-sim on a
// pseudo-terminal (or over TCP): a stored preset survives restarts of both
// programs, a report waiting when the search is stopped reaches the editor,
// and the notches a search found, once kept, are on the device.

#include "support/SimulatorRig.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

using namespace ksr;
using namespace ksr::test;

namespace {

// Starts the rig's simulator with `pace` and `options`, then the program on
// the port KSR704_PORTS names; false when the simulator did not start.
bool StartIn(SimulatorRig &remote, SimPace pace, const QStringList &options)
{
    if (!remote.StartSim(pace, options))
        return false;
    remote.Start();
    return true;
}

// A start folder that outlives the program, for a restart in it.
RigPlaces StartFolder(const QTemporaryDir &folder)
{
    return RigPlaces{{}, folder.path(), {}};
}

QByteArray Image(const PresetValues &values)
{
    return QByteArray(reinterpret_cast<const char *>(values.PresetImage.data()), PresetBytes);
}

// Reads the simulator's log (--log-times) until it has been quiet for a
// while, so that what it printed so far is passed.
void SkipSimLog(QProcess &sim)
{
    while (sim.waitForReadyRead(100))
        sim.readAllStandardOutput();
    sim.readAllStandardOutput();
}

// Waits on the simulator's log alone, so that none of the program's events
// runs, until it has written `count` more bursts of output to the line.
bool WaitForSimBursts(QProcess &sim, int count, int timeoutMs = 5000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (count > 0) {
        while (sim.canReadLine()) {
            if (sim.readLine().startsWith("sent "))
                --count;
        }
        if (count > 0 && !sim.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
    }
    return true;
}

} // namespace

class ProgramPtyTest : public QObject {
    Q_OBJECT
private slots:
    // A port another program holds (here the test's own QSerialPort, which
    // opens the terminal as the programs do): the question about demo mode
    // is asked as it always was, and says under it which port is in use and
    // by which program; nothing reaches the device.
    void portHeldByAnotherProgramIsNamed()
    {
        SimulatorRig remote;
        QVERIFY(remote.StartSim(SimPace::Unpaced));
        QSerialPort holder(remote.sim.DevicePath());
        QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
        remote.program.SetPortPaths(SystemPortDevicePath);
        remote.Start();
        QCOMPARE(remote.dialogs.messages.size(), 1);
        const MessageRequest &question = remote.dialogs.messages[0];
        QCOMPARE(question.text, QStringLiteral("COM not found, do you want continue in demo mode?"));
        QCOMPARE(question.details, QStringLiteral("Port 1 (%1) is in use by another program (%2, process %3).")
                                       .arg(remote.sim.PortPath(), QCoreApplication::applicationName())
                                       .arg(QCoreApplication::applicationPid()));
        QVERIFY(remote.program.State().DemoMode);
        QCOMPARE(holder.bytesAvailable(), 0);
    }

    void storedPresetSurvivesRestarts_data()
    {
        QTest::addColumn<QStringList>("line");
        QTest::newRow("terminal") << QStringList{};
        QTest::newRow("tcp") << sim::SimProcess::TcpLoopback();
    }
    void storedPresetSurvivesRestarts()
    {
        QFETCH(QStringList, line);
        QTemporaryDir folder;
        const QString state = folder.filePath(QStringLiteral("sim-state"));
        const QStringList args = QStringList{QStringLiteral("--state"), state} + line;
        QByteArray stored;
        {
            SimulatorRig remote(StartFolder(folder));
            QVERIFY(StartIn(remote, SimPace::Unpaced, args));
            QVERIFY(!remote.program.State().DemoMode);
            QVERIFY(!remote.program.State().PresetUsed[7]);
            remote.program.Editor().HScroll20[11]->setValue(7);
            remote.program.Editor().HScroll6[23]->setValue(500);
            QVERIFY(remote.program.Presets().StorePreset(3, QStringLiteral("Tour"), [] {}));
            stored = Image(remote.program.Values());
            QVERIFY(remote.dialogs.messages.isEmpty());
            QVERIFY(remote.sim.Stop());
        }
        SimulatorRig remote(StartFolder(folder));
        QVERIFY(StartIn(remote, SimPace::Unpaced, args));
        const AppState &after = remote.program.State();
        QVERIFY(after.PresetUsed[7]);
        QCOMPARE(after.PresetNames[7], QStringLiteral("  Tour  "));
        remote.program.Presets().ReadDevicePreset(7);
        QCOMPARE(Image(remote.program.Values()), stored);
        QCOMPARE(remote.program.Editor().Label8->text(), QStringLiteral("8:   Tour  "));
        QVERIFY(remote.dialogs.messages.isEmpty());
        QVERIFY(!remote.end.Ended());
    }

    void reportsReachTheEditor_data()
    {
        QTest::addColumn<bool>("eventsRun");
        // No event runs meanwhile: the device's first report waits unread
        // until the stop takes it in.
        QTest::newRow("waiting at the stop") << false;
        // The report is taken in as its bytes arrive, without the poll.
        QTest::newRow("as it arrives") << true;
    }

    void reportsReachTheEditor()
    {
        QFETCH(bool, eventsRun);
        SimulatorRig remote;
        QVERIFY(StartIn(remote, SimPace::Line4800, {QStringLiteral("--log-times")}));
        QProcess &sim = remote.sim.Process();
        QVERIFY(!remote.program.State().DemoMode);
        const QByteArray before = Image(remote.program.Values());
        SkipSimLog(sim);
        remote.program.Editor().Check1[0]->setChecked(true);
        if (eventsRun) {
            remote.program.ReportPoll().stop();
            QTRY_VERIFY_WITH_TIMEOUT(Image(remote.program.Values()) != before, 3000);
        } else {
            // The acknowledgement of the start, then the first report.
            QVERIFY(WaitForSimBursts(sim, 2));
        }
        remote.program.Editor().Check1[0]->setChecked(false);
        QVERIFY(!remote.program.State().SearchActive);
        // The editor holds the notches the device placed and reported.
        const QByteArray shown = Image(remote.program.Values());
        QVERIFY(remote.program.Link().ReadPresetBlock(CurrentSettingsSelector));
        const QByteArray device(reinterpret_cast<const char *>(remote.program.Link().RxBuffer().data()), PresetBytes);
        QCOMPARE(shown.toHex(' '), device.toHex(' '));
        QVERIFY(shown != before);
        QVERIFY(remote.dialogs.messages.isEmpty());
    }

    // After a real search, the notches kept as manual filters are on the
    // device as the editor shows them.
    void keptNotchesReachTheDevice()
    {
        SimulatorRig remote;
        QVERIFY(StartIn(remote, SimPace::Line4800, {QStringLiteral("--report-every"), QStringLiteral("20")}));
        Program &program = remote.program;
        const int countBefore = program.Model().AutoCount(0);
        QVERIFY(countBefore >= 3);
        const auto placedOnLeft = [&] {
            int placed = 0;
            for (int row = 0; row < countBefore; ++row)
                placed += program.Model().NotchGainStep(row) < 45 ? 1 : 0;
            return placed;
        };
        program.Editor().Check1[1]->setChecked(true);
        // On a loaded machine the first reports may take a while.
        QTRY_VERIFY_WITH_TIMEOUT(placedOnLeft() >= 1, 30000);
        program.Editor().Check1[1]->setChecked(false);
        QVERIFY(!program.State().SearchActive);
        const int placed = placedOnLeft();

        remote.dialogs.answers = {MessageAnswer::Yes};
        program.Editor().KeepFound[0]->click();
        QCOMPARE(program.Model().AutoCount(0), std::max(1, countBefore - placed));
        QVERIFY(program.Link().ReadPresetBlock(CurrentSettingsSelector));
        const QByteArray device(reinterpret_cast<const char *>(program.Link().RxBuffer().data()), PresetBytes);
        QCOMPARE(device.toHex(' '), Image(program.Values()).toHex(' '));
        QCOMPARE(remote.dialogs.messages.size(), 1);
    }
};

QTEST_MAIN(ProgramPtyTest)
#include "tst_program_pty.moc"
