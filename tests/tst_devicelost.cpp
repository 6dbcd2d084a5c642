// The device lost and found again, over the in-process port on the virtual
// clock: the window stays offline, sends nothing but its probes, keeps the
// session (history, held settings, journal) and, on the device's return,
// settles a difference between the device's settings and the window's.

#include "support/ProgramRig.h"

#include "core/Frames.h"
#include "operations/MemoryReads.h"
#include "presets/FrmStore.h"
#include "shell/StageView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QAction>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

using namespace ksr;
using namespace ksr::test;

Q_DECLARE_METATYPE(ksr::MessageAnswer)

namespace {

std::uint8_t CommandOfFrame(const QByteArray &frame)
{
    return frame.size() > 2 ? static_cast<std::uint8_t>(frame[2]) : 0;
}

int FramesOf(const QList<QByteArray> &frames, std::uint8_t command)
{
    return static_cast<int>(std::count_if(frames.begin(), frames.end(),
                                          [command](const QByteArray &f) { return CommandOfFrame(f) == command; }));
}

void StopDevice(ProgramRig &rig)
{
    sim::Faults silent;
    silent.silentReplies = -1;
    rig.device.SetFaults(silent);
}

// What the retry timer and the probe's poll do, on the virtual clock: one
// try on the same port, its answer awaited for a reply time.
void LookAgain(ProgramRig &rig)
{
    DeviceRecovery &recovery = rig.program.Recovery();
    recovery.TryAgain();
    for (double waited = 0; waited < ReplyTimeoutSeconds + 0.2 && recovery.Offline(); waited += 0.05) {
        rig.clock.Advance(0.05);
        recovery.CheckProbe();
    }
}

QByteArray CurrentSettingsOf(const sim::SimDevice &device)
{
    const sim::Preset p = device.CurrentSettings();
    return QByteArray(reinterpret_cast<const char *>(p.data()), PresetBytes);
}

QByteArray JournalText(Program &program)
{
    QFile file(program.Journal().TodaysPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Waits for the window to show the loss, which it does once the operation
// that lost the device is over.
bool ShowsOffline(Program &program)
{
    return QTest::qWaitFor([&] { return !program.Recovery().LostText().isEmpty(); }, 2000);
}

} // namespace

class DeviceLostTest : public QObject {
    Q_OBJECT
private slots:
    void lostDuringAnEditComesBackWithTheSession_data()
    {
        QTest::addColumn<MessageAnswer>("answer");
        QTest::newRow("keep the device's settings") << MessageAnswer::Yes;
        QTest::newRow("send the window's settings") << MessageAnswer::No;
    }
    void lostDuringAnEditComesBackWithTheSession()
    {
        QFETCH(MessageAnswer, answer);
        ProgramRig rig;
        rig.device.SetCurrentSettings(FlatPresetWithAutoCounts(1, 1));
        rig.StartWithDevice();
        Program &p = rig.program;
        p.Editor().HScroll20[5]->setValue(10);
        p.MainWindow().HoldButton->click();
        const std::size_t steps = p.History().UndoCount();
        QCOMPARE(steps, std::size_t{1});

        // The edit whose frame is not answered: "Time out", then offline.
        StopDevice(rig);
        p.Editor().HScroll20[6]->setValue(12);
        QCOMPARE(rig.dialogs.Texts(), QStringList{QStringLiteral("Time out")});
        QVERIFY(!rig.end.Ended());
        QVERIFY(ShowsOffline(p));
        QVERIFY2(p.Recovery().LostText().startsWith(QStringLiteral("Device lost on port 1 at "))
                     && p.Recovery().LostText().endsWith(QStringLiteral("; looking for it again")),
                 qPrintable(p.Recovery().LostText()));
        QVERIFY(p.MainWindow().LostStatus->isVisibleTo(&p.MainWindow()));
        QVERIFY(p.MainWindow().LookElsewhereButton->isVisibleTo(&p.MainWindow()));
        QVERIFY(p.MainWindow().windowTitle().contains(QStringLiteral("OFFLINE")));
        QVERIFY(p.MainWindow().EditorWindow->windowTitle().contains(QStringLiteral("nothing is sent")));
        QCOMPARE(p.Remote().Status().connection, QStringLiteral("lost"));
        QVERIFY(!p.MainWindow().BackupButton->isEnabled());
        QVERIFY(!p.Editor().Check1[0]->isEnabled());

        // Edited offline: the model changes, nothing is sent.
        rig.ForgetFrames();
        p.Editor().HScroll20[7]->setValue(14);
        QVERIFY(rig.Writes().isEmpty());
        // Meanwhile the device was set by hand (its answer to the edit above
        // was lost, not the edit itself).
        sim::Preset byHand = rig.device.CurrentSettings();
        byHand[static_cast<std::size_t>(NotchOffset[9])] = 20;
        rig.device.SetCurrentSettings(byHand);
        const QByteArray window = ImageBytes(p.Values(), 0, PresetBytes);
        const QByteArray deviceBefore = CurrentSettingsOf(rig.device);
        QVERIFY(window != deviceBefore);

        // Back: the dump, and the question about the two settings that differ.
        rig.device.SetFaults({});
        rig.dialogs.answers = {answer};
        LookAgain(rig);
        QVERIFY(!p.Recovery().Offline());
        QCOMPARE(rig.dialogs.messages.last().text,
                 QStringLiteral("The device is back. 2 settings differ between the device and this window."));
        QCOMPARE(rig.dialogs.messages.last().defaultAnswer, MessageAnswer::Yes);
        QCOMPARE(rig.dialogs.messages.last().yesText, QStringLiteral("Keep the device's settings"));
        QCOMPARE(rig.dialogs.messages.last().noText, QStringLiteral("Send the window's settings"));
        const bool keep = answer == MessageAnswer::Yes;
        // Only what differs is sent, and only when the window's settings win.
        QCOMPARE(FramesOf(rig.Writes(), NotchFilterCommand), keep ? 0 : 2);
        QCOMPARE(CurrentSettingsOf(rig.device), keep ? deviceBefore : window);
        QCOMPARE(ImageBytes(p.Values(), 0, PresetBytes), keep ? deviceBefore : window);
        // The session is whole: two edits more, the keep one step more.
        QCOMPARE(p.History().UndoCount(), steps + 2 + (keep ? 1 : 0));
        QVERIFY(p.History().HasHeld());
        QVERIFY(p.Recovery().LostText().isEmpty());
        QVERIFY(!p.MainWindow().windowTitle().contains(QStringLiteral("OFFLINE")));
        QVERIFY(p.MainWindow().BackupButton->isEnabled());
        QVERIFY(p.Editor().Check1[0]->isEnabled());
        QCOMPARE(p.Remote().Status().connection, QStringLiteral("connected"));
        const QByteArray journal = JournalText(p);
        QVERIFY2(journal.contains("# device lost on port 1"), journal.constData());
        QVERIFY2(journal.contains("# device back on port 1: 2 differing settings"), journal.constData());
        if (keep) {
            // Undo takes the device's settings back: the window's go out.
            p.History().Undo();
            QCOMPARE(CurrentSettingsOf(rig.device), window);
        }
    }

    // A port that vanishes while a search runs: offline without a frame on
    // the line, the boxes cleared; back, the device's search is stopped.
    void vanishedPortDuringASearch()
    {
        ProgramRig rig;
        rig.StartWithDevice();
        Program &p = rig.program;
        p.Editor().Check1[0]->click();
        QVERIFY(p.State().SearchActive);
        rig.port.Vanish();
        QVERIFY(ShowsOffline(p));
        QVERIFY2(rig.dialogs.Texts().isEmpty(), qPrintable(rig.dialogs.Texts().join(QLatin1Char('|'))));
        QVERIFY(!p.Editor().Check1[0]->isChecked());
        QVERIFY(!p.State().SearchActive);
        QVERIFY(!p.ReportPoll().isActive());
        QVERIFY(JournalText(p).contains("search-stopped"));
        // No search starts offline.
        rig.ForgetFrames();
        p.Editor().Check1[1]->setChecked(true);
        QVERIFY(!p.Editor().Check1[1]->isChecked());
        QVERIFY(!p.State().SearchActive);
        // Tries on a port that does not open send nothing.
        LookAgain(rig);
        QVERIFY(p.Recovery().Offline());
        QVERIFY(rig.Writes().isEmpty());

        // The device searches on: the return's dump stops it.
        QVERIFY(rig.device.SearchRunning(0));
        rig.port.Reappear();
        LookAgain(rig);
        QVERIFY(!p.Recovery().Offline());
        QVERIFY(!rig.device.SearchRunning(0));
        // Meanwhile its search placed notches the window never heard of: the
        // question, and by default the window takes them.
        QCOMPARE(rig.dialogs.Texts().size(), 1);
        QVERIFY(rig.dialogs.Texts().at(0).startsWith(QStringLiteral("The device is back.")));
        QCOMPARE(ImageBytes(p.Values(), 0, PresetBytes), CurrentSettingsOf(rig.device));
        // The probe, then the dump: every frame before the dump's is a probe.
        QCOMPARE(CommandOfFrame(rig.Writes().value(0)), ProbeCommand);
        QVERIFY(FramesOf(rig.Writes(), ReadByteCommand) > 0);
    }

    // A device back from a power cycle holds its automatic rows at the
    // widths it stored, not yet at its automatic width: the same settings
    // as the window's once it has them, so no question.
    void backWithStoredRowWidthsAsksNothing()
    {
        sim::Preset stored = FlatPresetWithAutoCounts(9, 9);
        stored[static_cast<std::size_t>(AutoQOffset[0])] = 1;
        stored[static_cast<std::size_t>(AutoQOffset[1])] = 1;
        ProgramRig rig;
        rig.device.SetCurrentSettings(stored);
        rig.StartWithDevice();
        rig.port.Vanish();
        QVERIFY(ShowsOffline(rig.program));
        rig.device.SetCurrentSettings(stored);
        rig.port.Reappear();
        LookAgain(rig);
        QVERIFY(!rig.program.Recovery().Offline());
        QVERIFY2(rig.dialogs.Texts().isEmpty(), qPrintable(rig.dialogs.Texts().join(QLatin1Char('|'))));
    }

    // The device stops answering half-way through a store: the entry stays
    // marked empty, the message names it, and the return reads the directory.
    void lostDuringAStoreNamesTheEntry()
    {
        ProgramRig rig;
        rig.StartWithDevice();
        Program &p = rig.program;
        sim::Faults faults;
        faults.onlyCommand = WriteByteCommand;
        faults.silentReplies = -1;
        faults.skipAnswers = 40;
        rig.device.SetFaults(faults);
        FrmStore store(p.State(), p.Presets(), rig.dialogs);
        store.Combo1->setCurrentIndex(2);
        store.Text1->setText(QStringLiteral("Cut"));
        rig.dialogs.answers = {MessageAnswer::Yes};
        store.Command1_Click(1);
        QCOMPARE(rig.dialogs.Texts().mid(1),
                 (QStringList{QStringLiteral("Time out"),
                              QStringLiteral("The device was lost while entry 07 was stored: the device keeps entry 07 "
                                             "marked empty. Store it again once the device is back.")}));
        const auto entry = static_cast<std::size_t>(2 + FixedPresetCount);
        QVERIFY(!p.State().PresetUsed[entry]);
        QCOMPARE(rig.device.MemoryByte(UsedMarkerAddress + 2), EmptyMarker);
        QVERIFY(ShowsOffline(p));

        rig.device.SetFaults({});
        LookAgain(rig);
        QVERIFY(!p.Recovery().Offline());
        QVERIFY(!p.State().PresetUsed[entry]);
        QCOMPARE(p.State().PresetNames[entry], EmptyPresetName);
    }

    // "Look on other ports": the device moved from port 1 to port 3, which
    // init.cfg then keeps.
    void foundOnAnotherPort()
    {
        ProgramRig rig;
        rig.StartWithDevice();
        Program &p = rig.program;
        QCOMPARE(rig.Config().left(2), QByteArray::fromHex("0100"));
        rig.port.AttachDevice(3, &rig.device);
        rig.port.Vanish();
        QVERIFY(ShowsOffline(p));
        p.MainWindow().LookElsewhereButton->click();
        QVERIFY(!p.Recovery().Offline());
        QCOMPARE(p.Link().PortNumber(), std::int16_t{3});
        QCOMPARE(rig.Config(), QByteArray::fromHex("0300") + QByteArray(12, '\0'));
        QCOMPARE(p.MainWindow().PortStatus->text(), QStringLiteral("Port 3"));
    }

    // The program outlives "Time out": the line's trace, with the unanswered
    // sends and the loss, can be saved for a bug report.
    void traceAfterTimeOutCanBeSaved()
    {
        ProgramRig rig;
        rig.StartWithDevice();
        StopDevice(rig);
        rig.program.Editor().HScroll20[11]->setValue(3);
        QVERIFY(ShowsOffline(rig.program));
        const QString path = rig.folder.filePath(QStringLiteral("trace.txt"));
        rig.dialogs.saveFileNames << path;
        rig.program.View().SaveTraceAction->trigger();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray saved = file.readAll();
        QCOMPARE(saved.count(" no answer"), MaxSends);
        QVERIFY(saved.contains("Time out"));
        QVERIFY(saved.contains("device lost: Time out"));
    }

    // Leaving while offline sends no exit command and ends normally.
    void exitWhileOffline()
    {
        ProgramRig rig;
        rig.StartWithDevice();
        rig.port.Vanish();
        QVERIFY(ShowsOffline(rig.program));
        rig.ForgetFrames();
        rig.dialogs.answers = {MessageAnswer::Yes};
        QVERIFY(rig.program.MDIForm_QueryUnload());
        QCOMPARE(rig.end.exitCodes, QList<int>{0});
        QVERIFY(rig.Writes().isEmpty());
    }
};

QTEST_MAIN(DeviceLostTest)
#include "tst_devicelost.moc"
