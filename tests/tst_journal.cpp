// The ring-out journal: reports taken in during a search become rows of
// today's file, each on disk before its acknowledgement; a journal that
// cannot be written is said once and stops nothing; demo mode writes
// nothing; the window follows the rows, writes notes, picks days, exports
// its plot and opens the folder.

#include "support/ProgramRig.h"

#include "journal/FrmJournal.h"
#include "journal/JournalPlot.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace ksr;
using namespace ksr::test;

namespace {

const QByteArray Ack = QByteArray::fromHex("F05B30000000000000F7");
// A notch placed on Left 4 (342.5 Hz, 1/10, -25 dB), a gain report for
// Right 6 (-25 dB), a report of a type the program does not know.
const QByteArray NotchOnLeft4 = QByteArray::fromHex("FE0003012C0214000000");
const QByteArray GainOnRight6 = QByteArray::fromHex("FD010500000014000000");
const QByteArray UnknownType = QByteArray::fromHex("FC0103012C0214000000");

const QDateTime Now(QDate(2026, 12, 10), QTime(14, 3, 7));

// Left 4 automatic rows, Right 6 at width 1/5.
sim::Preset SearchPreset()
{
    sim::Preset p = FlatPresetWithAutoCounts(4, 6);
    p[157] = 3;
    for (int f = 12; f < 18; ++f)
        p[static_cast<std::size_t>(NotchOffset[static_cast<std::size_t>(f)] + 3)] = 3;
    return p;
}

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class JournalTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ProgramRig> rig_;
    Program &P() { return rig_->program; }
    QString TodaysFile() const { return rig_->folder.filePath(QStringLiteral("Journal/ringout-2026-12-10.csv")); }

    void StartSearching()
    {
        rig_ = std::make_unique<ProgramRig>();
        rig_->device.SetCurrentSettings(SearchPreset());
        rig_->StartWithDevice();
        P().Journal().SetNow([] { return Now; });
        P().Editor().Check1[0]->setChecked(true);
        rig_->port.ClearWrites();
    }
    void Report(const QByteArray &bytes)
    {
        rig_->port.InjectBytes(bytes, rig_->clock.NowSeconds());
        P().PollNotifications();
    }

private slots:
    void cleanup() { rig_.reset(); }

    void reportsBecomeRowsBeforeTheirAcknowledgement()
    {
        StartSearching();
        // Each row is in the file when it is told, and its acknowledgement not yet sent.
        QStringList seen;
        P().Journal().SetLineAdded([&](const QString &path, const QByteArray &line) {
            QVERIFY(FileBytes(path).endsWith(line + '\n'));
            seen << QString::number(rig_->Writes().count(Ack));
        });
        for (const QByteArray &report : {NotchOnLeft4, UnknownType, GainOnRight6})
            Report(report);
        QCOMPARE(rig_->Writes(), QList<QByteArray>({Ack, Ack, Ack}));
        QCOMPARE(seen, QStringList({"0", "2"}));
        QCOMPARE(FileBytes(TodaysFile()), QByteArray("time,channel,notch,event,frequency_hz,width,gain_db\n"
                                                     "2026-12-10T14:03:07,Left,4,placed,342.5,1/10,-25\n"
                                                     "2026-12-10T14:03:07,Right,6,gain,247.9,1/5,-25\n"));
    }

    void unwritableJournalIsSaidOnceAndStopsNothing()
    {
        StartSearching();
        // A file where the folder should be: nothing can be written under it.
        QFile blocker(rig_->folder.filePath(QStringLiteral("Journal")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QStatusBar *bar = P().MainWindow().statusBar();
        int said = 0;
        for (int i = 0; i < 3; ++i) {
            Report(NotchOnLeft4);
            said += bar->currentMessage().startsWith(QStringLiteral("The ring-out journal could not be written")) ? 1 : 0;
            bar->clearMessage();
        }
        QCOMPARE(rig_->Writes(), QList<QByteArray>({Ack, Ack, Ack}));
        QCOMPARE(P().Editor().Text2Text(3), QStringLiteral("342.5"));
        QCOMPARE(said, 1);
        QVERIFY(P().State().SearchActive);
    }

    void demoModeWritesNothing()
    {
        rig_ = std::make_unique<ProgramRig>();
        rig_->Start();
        QVERIFY(P().State().DemoMode);
        P().Journal().AddReport({DeviceReport::Kind::Notch, 3, 300, 2, 20});
        P().Journal().AddNote(QStringLiteral("Hall A"));
        P().MainWindow().JournalButton->click();
        QVERIFY(!P().JournalWindow()->Note->isEnabled());
        QVERIFY(!QFileInfo::exists(rig_->folder.filePath(QStringLiteral("Journal"))));
    }

    void windowFollowsRowsWritesNotesAndPicksDays()
    {
        StartSearching();
        QDir(rig_->folder.path()).mkpath(QStringLiteral("Journal"));
        const QString earlier = rig_->folder.filePath(QStringLiteral("Journal/ringout-2026-12-01.csv"));
        QFile old(earlier);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("time,channel,notch,event,frequency_hz,width,gain_db\n# Club B\n"
                  "2026-12-01T20:00:00,Right,1,placed,1003,1/20,-12\n");
        old.close();
        Report(NotchOnLeft4);
        P().MainWindow().JournalButton->click();
        FrmJournal *window = P().JournalWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->Days->count(), 2);
        QCOMPARE(window->Days->currentText(), QStringLiteral("ringout-2026-12-10.csv"));

        // New rows come in at the top (within a second), notes as written.
        Report(GainOnRight6);
        window->Note->setText(QStringLiteral("Hall A, mics 1-4"));
        QTest::keyClick(window->Note, Qt::Key_Return);
        QVERIFY(window->Note->text().isEmpty());
        QVERIFY(FileBytes(TodaysFile()).endsWith("# Hall A, mics 1-4\n"));
        const QAbstractItemModel *model = window->Table->model();
        QTRY_COMPARE(model->rowCount(), 3);
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("Note: Hall A, mics 1-4"));
        QCOMPARE(model->index(1, 3).data().toString(), QStringLiteral("gain"));
        QCOMPARE(model->index(2, 4).data().toString(), QStringLiteral("342.5"));
        QCOMPARE(window->Plot->Marks().size(), std::size_t{1});

        // An earlier day: its rows, and none of today's.
        window->Days->setCurrentIndex(window->Days->findText(QStringLiteral("ringout-2026-12-01.csv")));
        Report(NotchOnLeft4);
        QTest::qWait(1200);
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(model->index(1, 0).data().toString(), QStringLiteral("Note: Club B"));
        QCOMPARE(window->Plot->Marks().size(), std::size_t{1});
        QVERIFY(window->Plot->Marks().front().right);

        // The plot to a PNG at twice its pixels; the folder to the desktop.
        const QString png = rig_->folder.filePath(QStringLiteral("plot"));
        rig_->dialogs.saveFileNames = {png};
        window->ExportButton->click();
        const QImage image(png + QStringLiteral(".png"));
        QCOMPARE(image.size(), window->Plot->size() * 2);
        QList<QUrl> opened;
        P().SetUrlOpener([&](const QUrl &url) {
            opened << url;
            return true;
        });
        window->FolderButton->click();
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(rig_->folder.filePath(QStringLiteral("Journal")))});
        QVERIFY(rig_->dialogs.messages.isEmpty());
    }
};

QTEST_MAIN(JournalTest)
#include "tst_journal.moc"
