// Backing up and restoring the device from the main window: the folders it
// writes against ksr704-cli's, a restore of a command-line backup, Cancel at
// every stage, refused folders, and faults on the line.

#include "support/BackupFixtures.h"
#include "support/LinkRig.h"
#include "support/ProgramRig.h"
#include "support/ReadFaults.h"

#include "presets/LibraryProgressDialog.h"
#include "presets/RestoreDialog.h"
#include "shell/MdiFrmMain.h"
#include "sim/SimProcess.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

using namespace ksr;
using namespace ksr::test;

namespace {

using Names = std::array<QByteArray, sim::UserSlots>;

// Entries 05 and 15 used, the second with characters no file name may hold.
Names TwoUsed()
{
    Names names;
    names[0] = QByteArrayLiteral("  Hall  ");
    names[10] = QByteArrayLiteral("A/B\xE9:\n* ");
    return names;
}

Names AllUsed()
{
    Names names;
    names.fill(QByteArrayLiteral(" Other  "));
    return names;
}

// A program started with a device that holds `state`.
struct LibraryRig : ProgramRig {
    explicit LibraryRig(const QByteArray &state)
    {
        device.LoadState(state);
        StartWithDevice();
    }
    QString Backups() const { return folder.filePath(QStringLiteral("Backups")); }
    QByteArray Memory() const { return MemoryOf(device.SaveState()); }
    // The frames the device received with command `code`.
    qsizetype Received(std::uint8_t code) const
    {
        const auto &frames = device.ReceivedFrames();
        return std::count_if(frames.begin(), frames.end(), [code](const Frame &f) { return f[2] == code; });
    }
    // Restores `backup` through the window, ticking only `entries` (all when
    // empty), with or without the safety backup, answering the question `answer`.
    void Restore(const QString &backup, const std::vector<int> &entries = {}, bool safety = true,
                 MessageAnswer answer = MessageAnswer::Yes)
    {
        dialogs.folderNames = {backup};
        dialogs.answers = {answer};
        program.Library().SetDialogRunner([this, entries, safety](QDialog &dialog) {
            auto &choice = static_cast<RestoreDialog &>(dialog);
            for (int i = 0; i < choice.Entries->topLevelItemCount() && !entries.empty(); ++i) {
                QTreeWidgetItem *row = choice.Entries->topLevelItem(i);
                const int entry = row->text(RestoreDialog::EntryColumn).toInt();
                const bool ticked = std::find(entries.begin(), entries.end(), entry) != entries.end();
                row->setCheckState(RestoreDialog::EntryColumn, ticked ? Qt::Checked : Qt::Unchecked);
            }
            choice.SafetyCheck->setChecked(safety);
            listed = choice.Entries;
            listedRows.clear();
            for (int i = 0; i < choice.Entries->topLevelItemCount(); ++i) {
                const QTreeWidgetItem *row = choice.Entries->topLevelItem(i);
                listedRows << QStringList{row->text(0), row->text(1), row->text(2), row->text(3)}.join(QLatin1Char('|'));
            }
            return int(QDialog::Accepted);
        });
        program.MainWindow().RestoreButton->click();
    }
    QTreeWidget *listed = nullptr;
    QStringList listedRows;
};

// A slot's data, name and marker in a memory image.
QByteArray SlotOf(const QByteArray &memory, int slot)
{
    return memory.mid(sim::SlotPresetAddress(slot), PresetBytes) + memory.mid(sim::SlotNameAddress(slot), NameLength)
           + memory.mid(sim::UsedMarkerBase + slot, 1);
}

bool MarkedEmpty(const QByteArray &memory, int slot)
{
    return static_cast<std::uint8_t>(memory[sim::UsedMarkerBase + slot]) != sim::UsedMarker;
}

// The one backup folder in `backups` whose name begins with `prefix`.
QString OnlyFolder(const QString &backups, const QString &prefix)
{
    const QStringList found = QDir(backups).entryList({prefix + QLatin1Char('*')}, QDir::Dirs | QDir::NoDotAndDotDot);
    return found.size() == 1 ? QDir(backups).filePath(found.first()) : QString();
}

enum class Run { Backup, Restore };

} // namespace

Q_DECLARE_METATYPE(Run)
Q_DECLARE_METATYPE(sim::Faults)

class LibraryTest : public QObject {
    Q_OBJECT
private slots:
    // The window's backup holds the files ksr704-cli writes of the same
    // device, byte for byte; the window's restore of that backup onto a
    // second device reproduces the first device's memory, after a safety
    // backup of what the second one held. Neither touches the editor or the
    // device's current settings.
    void windowAndCommandLineShareTheirBackups()
    {
        QTemporaryDir work;
        const QByteArray first = StateWith(TwoUsed(), 1);
        QVERIFY(WriteAll(work.filePath(QStringLiteral("a.state")), first));
        sim::SimProcess sim;
        QVERIFY(sim.Start({QStringLiteral("--fast"), QStringLiteral("--state"), work.filePath(QStringLiteral("a.state"))}));
        const QString cliFolder = work.filePath(QStringLiteral("cli"));
        const CliRun cli = RunCli({QStringLiteral("--device"), sim.PortPath(), QStringLiteral("backup"), cliFolder},
                                  work.path());
        QCOMPARE(cli.status, 0);

        QString windowFolder;
        {
            LibraryRig rig(first);
            const PresetImageArray image = rig.program.Values().PresetImage;
            const sim::Preset current = rig.device.CurrentSettings();
            windowFolder = rig.folder.filePath(QStringLiteral("Backups/mine"));
            rig.dialogs.folderNames = {windowFolder};
            rig.program.MainWindow().BackupButton->click();
            QCOMPARE(rig.dialogs.folderDialogs.size(), 1);
            QCOMPARE(rig.dialogs.folderDialogs[0].folder, rig.Backups());
            QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d-\\d{6}$"))
                        .match(rig.dialogs.folderDialogs[0].newFolder)
                        .hasMatch());
            QCOMPARE(rig.dialogs.Texts(), QStringList{QStringLiteral("Backup complete: 2 presets in %1").arg(windowFolder)});
            QCOMPARE(FolderContents(windowFolder), FolderContents(cliFolder));
            // Only reads were sent.
            QCOMPARE(rig.Received(ReadByteCommand) + rig.Received(ReadPresetCommand),
                     qsizetype(rig.device.ReceivedFrames().size()));
            QVERIFY(rig.program.Values().PresetImage == image);
            QVERIFY(rig.device.CurrentSettings() == current);
            windowFolder = work.filePath(QStringLiteral("window"));
            QVERIFY(QDir().rename(rig.folder.filePath(QStringLiteral("Backups/mine")), windowFolder));
        }

        LibraryRig rig(StateWith(AllUsed(), 77));
        const QByteArray before = rig.Memory();
        const PresetImageArray image = rig.program.Values().PresetImage;
        const sim::Preset current = rig.device.CurrentSettings();
        rig.Restore(cliFolder);
        QCOMPARE(rig.listedRows.size(), 16);
        QCOMPARE(rig.listedRows[0], QStringLiteral("05|Hall|Other|used"));
        QCOMPARE(rig.listedRows[1], QStringLiteral("06||Other|empty"));
        QCOMPARE(rig.dialogs.messages[0].text,
                 QStringLiteral("Write 16 entries from %1 into the device? 16 entries in use in the device will be "
                                "overwritten.\nOverwritten: 05 \"Other\", 06 \"Other\", 07 \"Other\", 08 \"Other\", "
                                "09 \"Other\", 10 \"Other\", 11 \"Other\", 12 \"Other\", 13 \"Other\", 14 \"Other\", "
                                "15 \"Other\", 16 \"Other\", 17 \"Other\", 18 \"Other\", 19 \"Other\", 20 \"Other\".")
                     .arg(cliFolder));
        const QString safety = OnlyFolder(rig.Backups(), QStringLiteral("before-restore-"));
        QVERIFY(!safety.isEmpty());
        QCOMPARE(rig.dialogs.Texts().last(),
                 QStringLiteral("Restore complete: 2 presets restored from %1, 14 entries marked empty.\nThe device's "
                                "presets as they were are backed up in %2.")
                     .arg(cliFolder, safety));
        const QByteArray after = rig.Memory();
        const QByteArray wanted = MemoryOf(first);
        QCOMPARE(after.mid(sim::UsedMarkerBase, 16), wanted.mid(sim::UsedMarkerBase, 16));
        for (int slot : {0, 10})
            QCOMPARE(SlotOf(after, slot), SlotOf(wanted, slot));
        // The safety backup holds the second device as it was.
        for (int slot = 0; slot < 16; ++slot)
            QCOMPARE(ReadAll(QDir(safety).filePath(QStringLiteral("%1-Other.Fbk").arg(slot + 5, 2, 10, QLatin1Char('0')))).left(160),
                     before.mid(sim::SlotPresetAddress(slot), 160));
        QVERIFY(rig.program.Values().PresetImage == image);
        QVERIFY(rig.device.CurrentSettings() == current);
        // The read and store windows list the new names.
        QCOMPARE(rig.program.State().PresetNames[4], QStringLiteral("  Hall  "));
        QVERIFY(!rig.program.State().PresetUsed[5]);
    }

    // Cancel, clicked during the device's wait at any point, leaves no
    // directory.txt of the new backup, and never a slot that mixes two
    // presets: each is as it was, as restored, or marked empty.
    void cancelStopsAtASafePoint_data()
    {
        QTest::addColumn<Run>("run");
        QTest::addColumn<int>("writes"); // cancelled once this many writes reached the device
        QTest::addColumn<int>("frames"); // and this many frames
        QTest::addColumn<QString>("message");
        // The folder was made for the backup, and goes with it.
        const QString backup = QStringLiteral("Backup cancelled: %1, made for this backup, was removed again.");
        // Two used presets: 32 reads of the markers, 336 a preset, then the
        // current settings' two blocks.
        QTest::newRow("backup, markers") << Run::Backup << 0 << 10 << backup;
        QTest::newRow("backup, first preset") << Run::Backup << 0 << 100 << backup;
        QTest::newRow("backup, second preset's last read") << Run::Backup << 0 << 704 << backup;
        QTest::newRow("backup, current settings") << Run::Backup << 0 << 705 << backup;
        QTest::newRow("backup, current settings' second block") << Run::Backup << 0 << 706 << backup;
        QTest::newRow("restore, safety backup")
            << Run::Restore << 0 << 2000
            << QStringLiteral("Restore cancelled during the safety backup: nothing was written to the device.");
        QTest::newRow("restore, first entry's marker")
            << Run::Restore << 1 << 0
            << QStringLiteral("Restore cancelled after 0 presets: entry 05, which was being written, is marked empty.");
        QTest::newRow("restore, first entry's data")
            << Run::Restore << 60 << 0
            << QStringLiteral("Restore cancelled after 0 presets: entry 05, which was being written, is marked empty.");
        QTest::newRow("restore, first entry's read-back")
            << Run::Restore << 170 << 0
            << QStringLiteral("Restore cancelled after 1 preset; the other entries are as they were.");
        QTest::newRow("restore, second entry's name")
            << Run::Restore << 335 << 0
            << QStringLiteral("Restore cancelled after 1 preset: entry 15, which was being written, is marked empty.");
        QTest::newRow("restore, marking entries empty")
            << Run::Restore << 345 << 0 << QStringLiteral("Restore complete: 2 presets restored from %1, 14 entries "
                                                          "marked empty.");
    }
    void cancelStopsAtASafePoint()
    {
        QFETCH(Run, run);
        QFETCH(int, writes);
        QFETCH(int, frames);
        QFETCH(QString, message);
        QTemporaryDir work;
        QString backup = work.filePath(QStringLiteral("backup"));
        {
            LibraryRig source(StateWith(TwoUsed(), 1));
            source.dialogs.folderNames = {backup};
            source.program.MainWindow().BackupButton->click();
            QVERIFY(QFileInfo::exists(QDir(backup).filePath(QStringLiteral("directory.txt"))));
        }
        LibraryRig rig(run == Run::Backup ? StateWith(TwoUsed(), 1) : StateWith(AllUsed(), 77));
        // The device is paced as a real line is, so that the click comes
        // during a wait.
        rig.port.SetLinePace(WireByteSeconds);
        const QByteArray before = rig.Memory();
        const PresetImageArray image = rig.program.Values().PresetImage;
        LibraryProgressDialog *progress = nullptr;
        rig.program.Library().SetProgressShown([&](LibraryProgressDialog &dialog) { progress = &dialog; });
        bool clicked = false;
        rig.port.SetWaitHook([&] {
            if (clicked || progress == nullptr || rig.Received(WriteByteCommand) < writes
                || qsizetype(rig.device.ReceivedFrames().size()) < frames)
                return;
            clicked = true;
            QTest::mouseClick(progress->CancelButton, Qt::LeftButton);
        });
        const QString target = work.filePath(QStringLiteral("new"));
        if (run == Run::Backup) {
            rig.dialogs.folderNames = {target};
            rig.program.MainWindow().BackupButton->click();
        } else {
            rig.Restore(backup);
        }
        QVERIFY(clicked);
        // After a safety backup, the restore's message says where it is.
        QCOMPARE(rig.dialogs.Texts().last().section(QLatin1Char('\n'), 0, 0),
                 message.contains(QLatin1String("%1")) ? message.arg(run == Run::Backup ? target : backup) : message);
        if (run == Run::Restore && writes > 0) {
            const QString safety = OnlyFolder(rig.Backups(), QStringLiteral("before-restore-"));
            QVERIFY(rig.dialogs.Texts().last().endsWith(
                QStringLiteral("\nThe device's presets as they were are backed up in %1.").arg(safety)));
        }
        const QByteArray after = rig.Memory();
        if (run == Run::Backup) {
            QVERIFY(!QFileInfo::exists(target));
            QCOMPARE(after, before);
        } else {
            const QByteArray restored = MemoryOf(StateWith(TwoUsed(), 1));
            for (int slot = 0; slot < 16; ++slot) {
                const QByteArray now = SlotOf(after, slot);
                QVERIFY2(MarkedEmpty(after, slot) || now == SlotOf(before, slot) || now == SlotOf(restored, slot),
                         qPrintable(QString::number(slot)));
            }
        }
        QVERIFY(rig.program.Values().PresetImage == image);
        QVERIFY(!rig.end.Ended());
    }


    // "No" to the question goes back to the list with the ticks as they
    // were left; the question names the entries in use that would be
    // overwritten. Picking the Backups folder itself asks for one inside it.
    void noGoesBackToTheListWithItsTicks()
    {
        QTemporaryDir work;
        const QString backup = work.filePath(QStringLiteral("backup"));
        {
            LibraryRig source(StateWith(TwoUsed(), 1));
            source.dialogs.folderNames = {backup};
            source.program.MainWindow().BackupButton->click();
        }
        Names target = AllUsed();
        target[10] = QByteArrayLiteral(" Choir  ");
        LibraryRig rig(StateWith(target, 77));
        rig.dialogs.folderNames = {rig.Backups()};
        rig.program.MainWindow().RestoreButton->click();
        QCOMPARE(rig.dialogs.Texts(), QStringList{QStringLiteral("%1 holds the backups, each in a dated folder of its "
                                                                 "own: pick one of the folders inside it.")
                                                      .arg(rig.Backups())});
        rig.dialogs.messages.clear();

        const QByteArray before = rig.Memory();
        rig.dialogs.folderNames = {backup};
        rig.dialogs.answers = {MessageAnswer::No, MessageAnswer::Yes};
        QList<std::vector<int>> shown; // the ticks each time the list opened
        rig.program.Library().SetDialogRunner([&](QDialog &dialog) {
            auto &choice = static_cast<RestoreDialog &>(dialog);
            shown << choice.TickedEntries();
            if (shown.size() == 1) {
                for (int i = 0; i < choice.Entries->topLevelItemCount(); ++i) {
                    QTreeWidgetItem *row = choice.Entries->topLevelItem(i);
                    const bool keep = row->text(RestoreDialog::EntryColumn) == QLatin1String("15")
                                      || row->text(RestoreDialog::EntryColumn) == QLatin1String("06");
                    row->setCheckState(RestoreDialog::EntryColumn, keep ? Qt::Checked : Qt::Unchecked);
                }
                choice.SafetyCheck->setChecked(false);
            }
            return int(QDialog::Accepted);
        });
        rig.program.MainWindow().RestoreButton->click();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].size(), std::size_t(16));
        QCOMPARE(shown[1], (std::vector<int>{6, 15}));
        const QString question = QStringLiteral("Write 2 entries from %1 into the device? 2 entries in use in the "
                                                "device will be overwritten.\nOverwritten: 06 \"Other\", 15 \"Choir\".")
                                     .arg(backup);
        QCOMPARE(rig.dialogs.messages.size(), 3);
        QCOMPARE(rig.dialogs.messages[0].text, question);
        QCOMPARE(rig.dialogs.messages[1].text, question);
        QVERIFY(rig.dialogs.Texts().last().startsWith(QStringLiteral("Restore complete: 1 preset restored from %1, "
                                                                     "1 entry marked empty.")
                                                          .arg(backup)));
        // Only the entries ticked the second time were written.
        const QByteArray after = rig.Memory();
        const QByteArray restored = MemoryOf(StateWith(TwoUsed(), 1));
        QCOMPARE(SlotOf(after, 10), SlotOf(restored, 10));
        QVERIFY(MarkedEmpty(after, 1));
        for (int slot : {0, 2, 9, 11, 15})
            QCOMPARE(SlotOf(after, slot), SlotOf(before, slot));
    }


    // The time left shows from the run's first seconds, in the window as on
    // the command line, which share it; never before a rate can be told.
    void timeLeftFromTheFirstSeconds_data()
    {
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("total");
        QTest::addColumn<double>("elapsed");
        QTest::addColumn<int>("left"); // -1: none
        QTest::newRow("a second in") << 20 << 5696 << 1.0 << -1;
        QTest::newRow("two seconds in, a hundredth done") << 57 << 5696 << 2.0 << 198;
        QTest::newRow("half done") << 2848 << 5696 << 60.0 << 60;
        QTest::newRow("nothing done yet") << 0 << 5696 << 3.0 << -1;
        QTest::newRow("done") << 5696 << 5696 << 120.0 << -1;
    }
    void timeLeftFromTheFirstSeconds()
    {
        QFETCH(int, done);
        QFETCH(int, total);
        QFETCH(double, elapsed);
        QFETCH(int, left);
        QCOMPARE(SecondsLeft(done, total, elapsed).value_or(-1), left);
    }

    // A folder the command line would refuse is refused with its message in
    // a box, and nothing is sent; so is a backup into a file.
    void refusedFolderSendsNothing_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("no directory.txt") << QStringLiteral("notes.txt") << QByteArray("x")
                                          << QStringLiteral("%1 holds no directory.txt: not a complete backup, "
                                                            "nothing restored");
        QTest::newRow("directory.txt too large")
            << QStringLiteral("directory.txt") << QByteArray(LargestDirectoryBytes + 1, ' ')
            << QStringLiteral("%1/directory.txt is larger than a backup's directory can be (")
                   + QString::number(LargestDirectoryBytes) + QStringLiteral(" bytes at most); nothing restored");
        QTest::newRow("preset file missing") << QStringLiteral("05-Hall.Fbk") << QByteArray()
                                             << QStringLiteral("%1/05-Hall.Fbk: no such preset file");
        QTest::newRow("preset file of 160 bytes")
            << QStringLiteral("05-Hall.Fbk") << QByteArray(160, '\0')
            << QStringLiteral("%1/05-Hall.Fbk is not a preset file: it has 160 bytes, a preset file exactly 161");
        QTest::newRow("backup into a file") << QString() << QByteArray()
                                            << QStringLiteral("Cannot create the folder %1: a file of that name is "
                                                              "there");
    }
    void refusedFolderSendsNothing()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        LibraryRig rig(StateWith(TwoUsed(), 1));
        const QString folder = rig.folder.filePath(QStringLiteral("given"));
        if (file.isEmpty()) {
            QVERIFY(WriteAll(folder, "not a folder"));
            rig.dialogs.folderNames = {folder};
            rig.program.MainWindow().BackupButton->click();
        } else {
            QVERIFY(QDir().mkpath(folder));
            QByteArray directory = "05   Hall   used 05-Hall.Fbk\n";
            for (int entry = 6; entry <= 20; ++entry)
                directory += QByteArray::number(entry).rightJustified(2, '0') + "          empty -\n";
            if (file != QStringLiteral("notes.txt") && file != QStringLiteral("directory.txt"))
                QVERIFY(WriteAll(QDir(folder).filePath(QStringLiteral("directory.txt")), directory));
            if (!bytes.isEmpty())
                QVERIFY(WriteAll(QDir(folder).filePath(file), bytes));
            rig.Restore(folder);
        }
        QCOMPARE(rig.dialogs.Texts(), QStringList{message.arg(folder)});
        QCOMPARE(rig.dialogs.messages[0].icon, MessageIcon::Exclamation);
        QVERIFY(rig.Writes().isEmpty());
        QVERIFY(rig.listedRows.isEmpty());
    }

    // The line faults the command line's backup survives give the window's
    // the same data; a flood ends it in "Time out" with no directory.txt;
    // a write the device does not keep stops the restore naming the entry.
    void lineFaultsGiveTheCommandLinesOutcomes_data()
    {
        QTest::addColumn<sim::Faults>("faults");
        QTest::addColumn<bool>("flood");
        QTest::addColumn<QString>("message");
        const QString complete = QStringLiteral("Backup complete: 2 presets in %1");
        // Each fault hits the 41st answer to a memory read.
        QTest::newRow("reply split across the time-out") << ReadFault(40, [](sim::Faults &f) {
            f.splitAt = 5;
            f.splitDelay = 3.3;
        }) << false << complete;
        QTest::newRow("reply across the time-out")
            << ReadFault(40, [](sim::Faults &f) { f.replyDelay = 3.16; }) << false << complete;
        QTest::newRow("garbled reply") << ReadFault(40, [](sim::Faults &f) { f.garbage = true; }) << false << complete;
        sim::Faults block;
        block.corruptBlock = true;
        block.count = 1;
        QTest::newRow("garbled block") << block << false << complete;
        QTest::newRow("flood") << sim::Faults{} << true << QStringLiteral("Time out");
        sim::Faults lost;
        lost.lostWriteAddress = sim::SlotPresetAddress(10) + 3;
        QTest::newRow("write not kept")
            << lost << false
            << QStringLiteral("Restore stopped after 1 preset.\nEntry 15 read back holds other bytes than were written "
                              "(address 0x%1); store it again")
                   .arg(sim::SlotPresetAddress(10) + 3, 4, 16, QLatin1Char('0'));
    }
    void lineFaultsGiveTheCommandLinesOutcomes()
    {
        QFETCH(sim::Faults, faults);
        QFETCH(bool, flood);
        QFETCH(QString, message);
        const QByteArray state = StateWith(TwoUsed(), 1);
        LibraryRig rig(faults.lostWriteAddress >= 0 ? StateWith(AllUsed(), 77) : state);
        rig.port.SetLinePace(WireByteSeconds);
        rig.device.SetFaults(faults);
        if (flood)
            InjectFlood(rig.port, rig.clock.NowSeconds() + 2.0, 30.0);
        const QString folder = rig.folder.filePath(QStringLiteral("b"));
        if (faults.lostWriteAddress >= 0) {
            QTemporaryDir work;
            const QString backup = work.filePath(QStringLiteral("src"));
            {
                // The backup to restore, from the command line's own code.
                LibraryRig source(state);
                source.dialogs.folderNames = {backup};
                source.program.MainWindow().BackupButton->click();
            }
            QDir::setCurrent(rig.folder.path());
            rig.Restore(backup, {}, false);
            QCOMPARE(rig.dialogs.Texts().last(), message);
            QCOMPARE(rig.dialogs.messages.last().icon, MessageIcon::Exclamation);
            return;
        }
        rig.dialogs.folderNames = {folder};
        rig.program.MainWindow().BackupButton->click();
        const QString directory = QDir(folder).filePath(QStringLiteral("directory.txt"));
        if (flood) {
            // "Time out", then the backup says where it stopped; the
            // program goes on offline.
            QCOMPARE(rig.dialogs.Texts().value(0), message);
            QCOMPARE(rig.dialogs.Texts().size(), 2);
            QVERIFY2(rig.dialogs.Texts().at(1).startsWith(QStringLiteral("Backup cut short: ") + folder),
                     qPrintable(rig.dialogs.Texts().at(1)));
            QVERIFY(!QFileInfo::exists(directory));
            QVERIFY(!rig.end.Ended());
            QVERIFY(rig.program.State().DeviceLost);
            return;
        }
        QCOMPARE(rig.dialogs.Texts(), QStringList{message.arg(folder)});
        const QByteArray memory = MemoryOf(state);
        QCOMPARE(ReadAll(QDir(folder).filePath(QStringLiteral("05-Hall.Fbk"))).left(160),
                 memory.mid(sim::SlotPresetAddress(0), 160));
        const sim::Preset current = rig.device.CurrentSettings();
        QCOMPARE(ReadAll(QDir(folder).filePath(QStringLiteral("current.Fbk"))).left(160),
                 QByteArray(reinterpret_cast<const char *>(current.data()), PresetBytes));
        QVERIFY(ReadAll(directory).startsWith("05   Hall   used 05-Hall.Fbk\n06"));
    }

    // Both buttons wait for a device and for the end of a search.
    void buttonsNeedADeviceAndNoSearch()
    {
        ProgramRig demo;
        demo.Start(); // no device: demo mode, the default answer
        QVERIFY(demo.program.State().DemoMode);
        QVERIFY(!demo.program.MainWindow().BackupButton->isEnabled());
        QVERIFY(!demo.program.MainWindow().RestoreButton->isEnabled());

        LibraryRig rig(StateWith(TwoUsed(), 1));
        QVERIFY(rig.program.MainWindow().BackupButton->isEnabled());
        QVERIFY(rig.program.MainWindow().RestoreButton->isEnabled());
        rig.program.Editor().Check1[0]->click();
        QVERIFY(rig.program.State().SearchActive);
        QVERIFY(!rig.program.MainWindow().BackupButton->isEnabled());
        QVERIFY(!rig.program.MainWindow().RestoreButton->isEnabled());
        rig.program.Editor().Check1[0]->click();
        QVERIFY(rig.program.MainWindow().RestoreButton->isEnabled());
    }
};

QTEST_MAIN(LibraryTest)
#include "tst_library.moc"
