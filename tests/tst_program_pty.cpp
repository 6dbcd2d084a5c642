// The whole program through QSerialPort against ksr704-sim on a
// pseudo-terminal: a stored preset survives restarts of both programs, and a
// report waiting when the search is stopped reaches the editor.

#include "support/ScriptedDialogs.h"

#include "link/PortNames.h"
#include "link/SystemSerialPort.h"
#include "shell/Program.h"
#include "sim/SimProcess.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

using namespace ksr;
using namespace ksr::test;

namespace {

// The whole program, started in `folder`, on the real serial port path.
struct PtyProgram {
    SteadyClock clock;
    SystemSerialPort port{clock, SystemPortDevicePath};
    ScriptedDialogs dialogs;
    RecordingProgramEnd end;
    Program program{port, clock, dialogs, end};

    explicit PtyProgram(const QString &folder)
    {
        QDir::setCurrent(folder);
        program.SplashForm_Load();
        program.SplashTimer1_Timer();
    }
};

QByteArray Image(const AppState &state)
{
    return QByteArray(reinterpret_cast<const char *>(state.PresetImage.data()), PresetBytes);
}

} // namespace

class ProgramPtyTest : public QObject {
    Q_OBJECT
private slots:
    void storedPresetSurvivesRestarts()
    {
        QTemporaryDir folder;
        const QString state = folder.filePath(QStringLiteral("sim-state"));
        const QStringList args = {QStringLiteral("--fast"), QStringLiteral("--state"), state};
        QByteArray stored;
        {
            sim::SimProcess sim;
            QVERIFY(sim.Start(args));
            qputenv("KSR704_PORTS", sim.PortPath().toLocal8Bit());
            PtyProgram remote(folder.path());
            QVERIFY(!remote.program.state.DemoMode);
            QVERIFY(!remote.program.state.PresetUsed[7]);
            remote.program.editor.HScroll20[11]->setValue(7);
            remote.program.editor.HScroll6[23]->setValue(500);
            QVERIFY(remote.program.devicePresets.StorePreset(3, QStringLiteral("Tour"), [] {}));
            stored = Image(remote.program.state);
            QVERIFY(remote.dialogs.messages.isEmpty());
            QVERIFY(sim.Stop());
        }
        sim::SimProcess sim;
        QVERIFY(sim.Start(args));
        qputenv("KSR704_PORTS", sim.PortPath().toLocal8Bit());
        PtyProgram remote(folder.path());
        const AppState &after = remote.program.state;
        QVERIFY(after.PresetUsed[7]);
        QCOMPARE(after.PresetNames[7], QStringLiteral("  Tour  "));
        remote.program.devicePresets.ReadDevicePreset(7);
        QCOMPARE(Image(after), stored);
        QCOMPARE(remote.program.editor.Label8->text(), QStringLiteral("8:   Tour  "));
        QVERIFY(remote.dialogs.messages.isEmpty());
        QVERIFY(!remote.end.Ended());
        qunsetenv("KSR704_PORTS");
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
        QTemporaryDir folder;
        sim::SimProcess sim;
        QVERIFY(sim.Start({QStringLiteral("--baud"), QStringLiteral("4800")}));
        qputenv("KSR704_PORTS", sim.PortPath().toLocal8Bit());
        PtyProgram remote(folder.path());
        QVERIFY(!remote.program.state.DemoMode);
        const QByteArray before = Image(remote.program.state);
        remote.program.editor.Check1[0]->setChecked(true);
        if (eventsRun) {
            remote.program.notificationPoll.stop();
            QTRY_VERIFY_WITH_TIMEOUT(Image(remote.program.state) != before, 3000);
        } else {
            QTest::qSleep(800);
        }
        remote.program.editor.Check1[0]->setChecked(false);
        QVERIFY(!remote.program.state.SearchActive);
        // The editor holds the notches the device placed and reported.
        const QByteArray shown = Image(remote.program.state);
        QVERIFY(remote.program.link.ReadPresetBlock(CurrentSettingsSelector));
        const QByteArray device(reinterpret_cast<const char *>(remote.program.state.RxBuffer.data()), PresetBytes);
        QCOMPARE(shown.toHex(' '), device.toHex(' '));
        QVERIFY(shown != before);
        QVERIFY(remote.dialogs.messages.isEmpty());
        qunsetenv("KSR704_PORTS");
    }
};

QTEST_MAIN(ProgramPtyTest)
#include "tst_program_pty.moc"
