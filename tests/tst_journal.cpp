// The ring-out journal: reports taken in during a search become rows of
// today's file, each on disk before its acknowledgement; a journal that
// cannot be written is said once and stops nothing; demo mode writes
// nothing; a row where each search starts and stops; the window opens
// beside the editor above the main window, follows the rows, writes notes,
// picks days and searches, names the mark under the pointer, exports its
// plot and opens the folder.

#include "support/FileBytes.h"
#include "support/ProgramRig.h"

#include "journal/FrmJournal.h"
#include "journal/JournalExport.h"
#include "journal/JournalPlot.h"
#include "shell/JournalPlacement.h"

#include <QApplication>
#include <QCheckBox>
#include <QHelpEvent>
#include <QLabel>
#include <QScreen>
#include <QToolTip>
#include <QWindow>
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
// What a title bar and the frame may take above a window's inside.
constexpr int TitleBarRoom = 32;

// Two searches of the day, a note before each and after the last.
const QByteArray TwoSearches = "time,channel,notch,event,frequency_hz,width,gain_db\n"
                               "# Hall A, soundcheck\n"
                               "2026-12-10T13:00:00,Both,,search-started,,,\n"
                               "2026-12-10T13:01:00,Left,2,placed,500,1/10,-12\n"
                               "2026-12-10T13:02:00,Left,2,gain,500,1/10,-18\n"
                               "2026-12-10T13:03:00,Right,1,placed,1003,1/10,-9\n"
                               "2026-12-10T13:10:00,Both,,search-stopped,,,\n"
                               "2026-12-10T13:20:00,Left,,search-started,,,\n"
                               "2026-12-10T13:21:00,Left,3,placed,2000,1/10,-6\n"
                               "2026-12-10T13:25:00,Left,,search-stopped,,,\n"
                               "# Hall A, mics 1-4\n";

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
    return QFileInfo::exists(path) ? ReadAll(path) : QByteArray("<missing>");
}

} // namespace

class JournalTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ProgramRig> rig_;
    Program &P() { return rig_->program; }
    QString TodaysFile() const { return rig_->folder.filePath(QStringLiteral("Journal/ringout-2026-12-10.csv")); }

    void StartDevice()
    {
        rig_ = std::make_unique<ProgramRig>();
        rig_->device.SetCurrentSettings(SearchPreset());
        rig_->StartWithDevice();
        P().Journal().SetNow([] { return Now; });
    }
    // Ticks box `k` (0 L&R, 1 L, 2 R) and forgets the frames.
    void Tick(int k = 0)
    {
        P().Editor().Check1[static_cast<std::size_t>(k)]->setChecked(true);
        rig_->port.ClearWrites();
    }
    void StartSearching()
    {
        StartDevice();
        Tick();
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
                                                     "2026-12-10T14:03:07,Both,,search-started,,,\n"
                                                     "2026-12-10T14:03:07,Left,4,placed,342.5,1/10,-25\n"
                                                     "2026-12-10T14:03:07,Right,6,gain,247.9,1/5,-25\n"));
    }

    void unwritableJournalIsSaidOnceAndStopsNothing()
    {
        StartDevice();
        // A file where the folder should be: nothing can be written under it.
        QFile blocker(rig_->folder.filePath(QStringLiteral("Journal")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QStatusBar *bar = P().MainWindow().statusBar();
        Tick();
        int said = bar->currentMessage().startsWith(QStringLiteral("The ring-out journal could not be written")) ? 1 : 0;
        bar->clearMessage();
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
        P().Editor().Check1[0]->setChecked(true);
        P().Editor().Check1[0]->setChecked(false);
        P().MainWindow().JournalButton->click();
        QVERIFY(!P().JournalWindow()->Note->isEnabled());
        QVERIFY(!QFileInfo::exists(rig_->folder.filePath(QStringLiteral("Journal"))));
    }

    // A row where each search starts and stops, with its channels; the
    // stop's row after the last report, even one still waiting when the box
    // was cleared.
    void searchRowsFrameEachSearch_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("channels");
        QTest::newRow("L&R") << 0 << "Both";
        QTest::newRow("L") << 1 << "Left";
        QTest::newRow("R") << 2 << "Right";
    }
    void searchRowsFrameEachSearch()
    {
        QFETCH(int, box);
        QFETCH(QString, channels);
        StartDevice();
        Tick(box);
        Report(NotchOnLeft4);
        rig_->port.InjectBytes(GainOnRight6, rig_->clock.NowSeconds());
        P().Editor().Check1[static_cast<std::size_t>(box)]->setChecked(false);
        const QString expected = QStringLiteral("time,channel,notch,event,frequency_hz,width,gain_db\n"
                                                "2026-12-10T14:03:07,%1,,search-started,,,\n"
                                                "2026-12-10T14:03:07,Left,4,placed,342.5,1/10,-25\n"
                                                "2026-12-10T14:03:07,Right,6,gain,247.9,1/5,-25\n"
                                                "2026-12-10T14:03:07,%1,,search-stopped,,,\n")
                                     .arg(channels);
        QCOMPARE(QString::fromUtf8(FileBytes(TodaysFile())), expected);
    }

    void windowFollowsRowsWritesNotesAndPicksDays()
    {
        StartSearching();
        QDir(rig_->folder.path()).mkpath(QStringLiteral("Journal"));
        // A file of a program before the search rows: read as it was.
        QVERIFY(WriteAll(rig_->folder.filePath(QStringLiteral("Journal/ringout-2026-12-01.csv")),
                         "time,channel,notch,event,frequency_hz,width,gain_db\n# Club B\n"
                         "2026-12-01T20:00:00,Right,1,placed,1003,1/20,-12\n"));
        Report(NotchOnLeft4);
        P().MainWindow().JournalButton->click();
        FrmJournal *window = P().JournalWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->Days->count(), 2);
        QCOMPARE(window->Days->currentText(), QStringLiteral("2026-12-10 (today)"));
        QCOMPARE(window->Days->itemText(1), QStringLiteral("2026-12-01"));

        // New rows come in at the top (within a second), notes as written.
        Report(GainOnRight6);
        window->Note->setText(QStringLiteral("Hall A, mics 1-4"));
        QTest::keyClick(window->Note, Qt::Key_Return);
        QVERIFY(window->Note->text().isEmpty());
        QVERIFY(FileBytes(TodaysFile()).endsWith("# Hall A, mics 1-4\n"));
        const QAbstractItemModel *model = window->Table->model();
        QTRY_COMPARE(model->rowCount(), 4);
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("Note: Hall A, mics 1-4"));
        QCOMPARE(model->index(1, 3).data().toString(), QStringLiteral("gain"));
        QCOMPARE(model->index(2, 4).data().toString(), QStringLiteral("342.5"));
        QCOMPARE(model->index(3, 3).data().toString(), QStringLiteral("search-started"));
        QCOMPARE(window->Searches->currentText(), QStringLiteral("Search 1: from 14:03:07, Left and Right"));
        QCOMPARE(window->Plot->Marks().size(), std::size_t{1});

        // An earlier day: its rows, and none of today's; the whole day its only plot.
        window->Days->setCurrentIndex(1);
        Report(NotchOnLeft4);
        QTest::qWait(1200);
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(model->index(1, 0).data().toString(), QStringLiteral("Note: Club B"));
        QCOMPARE(window->Searches->count(), 1);
        QCOMPARE(window->Searches->currentText(), QStringLiteral("Whole day"));
        QCOMPARE(window->Plot->Marks().size(), std::size_t{1});
        QVERIFY(window->Plot->Marks().front().right);

        // Shown again, it keeps the day picked.
        window->close();
        P().MainWindow().JournalButton->click();
        QCOMPARE(window->Days->currentText(), QStringLiteral("2026-12-01"));
        QCOMPARE(model->rowCount(), 2);

        // The folder to the desktop.
        QList<QUrl> opened;
        P().SetUrlOpener([&](const QUrl &url) {
            opened << url;
            return true;
        });
        window->FolderButton->click();
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(rig_->folder.filePath(QStringLiteral("Journal")))});
        QVERIFY(rig_->dialogs.messages.isEmpty());
    }

    // Beside the editor, clear of the button bar and the search boxes; a
    // tool window of the main window, so that the window manager keeps it
    // above that window; where it was moved, it stays.
    void windowOpensBesideTheEditorAboveTheMainWindow()
    {
        StartDevice();
        MdiFrmMain &main = P().MainWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        main.JournalButton->click();
        FrmJournal *window = P().JournalWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->windowType(), Qt::Tool);
        QCOMPARE(window->parentWidget(), &main);
        QCOMPARE(window->windowHandle()->transientParent(), main.windowHandle());

        const QRect place = window->frameGeometry();
        QVERIFY(main.screen()->availableGeometry().contains(place));
        const auto global = [](const QWidget *w) { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); };
        QVERIFY(!place.intersects(global(main.Toolbar1)));
        for (const QCheckBox *box : P().Editor().Check1)
            QVERIFY2(!place.intersects(global(box)), qPrintable(box->text()));

        window->move(window->pos() + QPoint(-20, 10));
        const QPoint moved = window->pos();
        window->close();
        main.JournalButton->click();
        QCOMPARE(window->pos(), moved);
    }

    // Right of the editor, else below it; over the lower part of an editor
    // that leaves room at neither, below the search boxes.
    void placeIsBesideTheEditor_data()
    {
        QTest::addColumn<QRect>("editor");
        QTest::addColumn<QString>("side");
        QTest::newRow("wide screen") << QRect(0, 70, 1000, 620) << "right";
        QTest::newRow("tall screen") << QRect(0, 70, 1900, 500) << "below";
        QTest::newRow("editor fitted to the window") << QRect(0, 70, 1920, 1130) << "lower part";
    }
    void placeIsBesideTheEditor()
    {
        QFETCH(QRect, editor);
        QFETCH(QString, side);
        const QRect screen(0, 0, 1920, 1200);
        const int searchBoxes = editor.top() + 40;
        const QRect place = JournalWindowPlace(screen, editor, searchBoxes, QSize(1140, 560), QSize(700, 360));
        QVERIFY(screen.contains(place.adjusted(0, -TitleBarRoom, 0, 0)));
        QVERIFY(place.width() >= 700 && place.height() >= 360);
        if (side == QLatin1String("right"))
            QVERIFY(place.left() > editor.right());
        else if (side == QLatin1String("below"))
            QVERIFY(place.top() - TitleBarRoom > editor.bottom());
        else
            QVERIFY(place.top() - TitleBarRoom > searchBoxes);
    }

    // The last search by default, another or the whole day when picked; a
    // new search shown as it starts while the last one was; the mark under
    // the pointer names its notch.
    void plotShowsTheLastSearchOrThePickedOne()
    {
        StartDevice();
        QDir(rig_->folder.path()).mkpath(QStringLiteral("Journal"));
        QVERIFY(WriteAll(TodaysFile(), TwoSearches));
        P().MainWindow().JournalButton->click();
        FrmJournal *window = P().JournalWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->Searches->count(), 3);
        QCOMPARE(window->Searches->itemText(0), QStringLiteral("Search 1: 13:00:00 to 13:10:00, Left and Right"));
        QCOMPARE(window->Searches->itemText(2), QStringLiteral("Whole day"));
        QCOMPARE(window->Searches->currentText(), QStringLiteral("Search 2: 13:20:00 to 13:25:00, Left"));
        JournalPlot *plot = window->Plot;
        QCOMPARE(plot->Marks().size(), std::size_t{1});
        QCOMPARE(plot->Marks().front().hz, 2000.0);
        window->Searches->setCurrentIndex(0);
        QCOMPARE(plot->Marks().size(), std::size_t{2});
        QCOMPARE(plot->Marks().front().gainDb, -18.0);
        window->Searches->setCurrentIndex(2);
        QCOMPARE(plot->Marks().size(), std::size_t{3});

        // The mark under the pointer, as placed and as deepened since.
        window->Searches->setCurrentIndex(0);
        QHelpEvent help(QEvent::ToolTip, plot->MarkCentre(0).toPoint(),
                        plot->mapToGlobal(plot->MarkCentre(0).toPoint()));
        QApplication::sendEvent(plot, &help);
        QCOMPARE(QToolTip::text(), QStringLiteral("Left notch 2\n500 Hz, -18 dB\nplaced 13:01:00 (number 1), "
                                                  "deepened 13:02:00"));
        QCOMPARE(plot->ToolTipAt(plot->MarkCentre(1)), QStringLiteral("Right notch 1\n1003 Hz, -9 dB\n"
                                                                       "placed 13:03:00 (number 2)"));
        QVERIFY(plot->ToolTipAt(plot->MarkCentre(1) + QPointF(30, 0)).isEmpty());

        // A new search while an earlier one is picked: the pick stays.
        Tick(2);
        Report(NotchOnLeft4);
        QTRY_COMPARE(window->Searches->count(), 4);
        QCOMPARE(window->Searches->currentIndex(), 0);
        QCOMPARE(plot->Marks().size(), std::size_t{2});
        P().Editor().Check1[2]->setChecked(false);
        // While the last is picked, the next search is shown as it starts.
        window->Searches->setCurrentIndex(2);
        Tick(1);
        QTRY_COMPARE(window->Searches->count(), 5);
        QCOMPARE(window->Searches->currentText(), QStringLiteral("Search 4: from 14:03:07, Left"));
        QCOMPARE(plot->Marks().size(), std::size_t{0});
        Report(NotchOnLeft4);
        QTRY_COMPARE(plot->Marks().size(), std::size_t{1});
    }

    // A search the program did not live to stop ends where the next one
    // starts; its picture says no stop was written. Reports before the
    // first start (a search begun the day before) belong to none.
    void searchCutShortEndsAtTheNext()
    {
        std::vector<JournalRow> rows;
        for (const QByteArray &line :
             QByteArray("2026-12-10T00:00:05,Left,1,gain,500,1/10,-9\n"
                        "2026-12-10T13:00:00,Left,,search-started,,,\n"
                        "2026-12-10T13:01:00,Left,2,placed,500,1/10,-12\n"
                        "# killed here\n"
                        "2026-12-10T13:30:00,Right,,search-started,,,\n"
                        "2026-12-10T13:31:00,Right,,search-stopped,,,\n")
                 .split('\n')) {
            if (std::optional<JournalRow> row = ParseJournalLine(line))
                rows.push_back(*row);
        }
        const std::vector<JournalSearch> searches = JournalSearches(rows);
        QCOMPARE(searches.size(), std::size_t{2});
        QCOMPARE(searches[0].first, std::size_t{1});
        QCOMPARE(searches[0].end, std::size_t{3});
        QCOMPARE(searches[0].notesEnd, std::size_t{4});
        QCOMPARE(SearchText(searches[0], 1), QStringLiteral("Search 1: from 13:00:00, Left"));
        QCOMPARE(SearchText(searches[1], 2), QStringLiteral("Search 2: 13:30:00 to 13:31:00, Right"));
        QCOMPARE(ExportCaption(QDate(2026, 12, 10), rows, &searches[0], 1),
                 QStringList({"Ring-out journal of 2026-12-10",
                              "Search 1: 13:00:00 to 13:01:00 (no stop in the journal), Left", "Note: killed here"}));
    }

    // "Export PNG..." offers the first free ringout-DATE[-N].png in the
    // Journal folder, puts the day, the search's times and the latest note
    // on the picture, and says where it went.
    void exportOffersAFreeNameAndSaysWhere_data()
    {
        QTest::addColumn<int>("picked");
        QTest::addColumn<QStringList>("caption");
        QTest::newRow("last search") << 1
                                     << QStringList{"Ring-out journal of 2026-12-10",
                                                    "Search 2: 13:20:00 to 13:25:00, Left", "Note: Hall A, mics 1-4"};
        QTest::newRow("first search") << 0
                                      << QStringList{"Ring-out journal of 2026-12-10",
                                                     "Search 1: 13:00:00 to 13:10:00, Left and Right",
                                                     "Note: Hall A, soundcheck"};
        QTest::newRow("whole day") << 2
                                   << QStringList{"Ring-out journal of 2026-12-10", "Whole day: 13:00:00 to 13:25:00",
                                                  "Note: Hall A, mics 1-4"};
    }
    void exportOffersAFreeNameAndSaysWhere()
    {
        QFETCH(int, picked);
        QFETCH(QStringList, caption);
        StartDevice();
        const QDir journal(rig_->folder.filePath(QStringLiteral("Journal")));
        QVERIFY(journal.mkpath(QStringLiteral(".")));
        QVERIFY(WriteAll(TodaysFile(), TwoSearches));
        QVERIFY(WriteAll(journal.filePath(QStringLiteral("ringout-2026-12-10.png")), "taken"));
        P().MainWindow().JournalButton->click();
        FrmJournal *window = P().JournalWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        window->Searches->setCurrentIndex(picked);
        QCOMPARE(window->Caption(), caption);

        rig_->dialogs.saveFileNames = {journal.filePath(QStringLiteral("ringout-2026-12-10-2"))};
        window->ExportButton->click();
        const FileDialogRequest &asked = rig_->dialogs.fileDialogs.last();
        QCOMPARE(asked.folder, journal.path());
        QCOMPARE(asked.fileName, QStringLiteral("ringout-2026-12-10-2.png"));
        const QString saved = journal.filePath(QStringLiteral("ringout-2026-12-10-2.png"));
        const QImage image(saved);
        // Twice the plot's pixels, and the caption's lines above it.
        QCOMPARE(image.width(), window->Plot->width() * 2);
        QVERIFY(image.height() >= (window->Plot->height() + caption.size() * window->fontMetrics().height()) * 2);
        QCOMPARE(window->Saved->text(), QStringLiteral("Saved to %1").arg(QDir::toNativeSeparators(saved)));
        QVERIFY(rig_->dialogs.messages.isEmpty());

        window->ExportButton->click();
        QCOMPARE(rig_->dialogs.fileDialogs.last().fileName, QStringLiteral("ringout-2026-12-10-3.png"));
    }
};

QTEST_MAIN(JournalTest)
#include "tst_journal.moc"
