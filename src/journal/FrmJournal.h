#pragma once
// The "Ring-out journal" window: a day's journal file in a table (newest
// first) beside a plot of the notches placed in one of its searches (the
// last by default) or in the whole day, a picker of the days in the Journal
// folder (by date) and one of the searches, a note written into today's
// file, "Export PNG..." of the plot and "Open folder". A tool window of the
// main window, not modal: it stays above it during a search and follows
// each row as it is written.

#include "core/UserDialogs.h"
#include "journal/JournalModel.h"
#include "journal/JournalSearches.h"
#include "operations/RingOutJournal.h"

#include <QUrl>
#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace ksr {

class JournalPlot;

class FrmJournal final : public QWidget {
public:
    // `openUrl` shows a folder in the desktop's file manager.
    FrmJournal(const AppState &state, RingOutJournal &journal, UserDialogs &dialogs,
               std::function<bool(const QUrl &)> openUrl, QWidget *parent = nullptr);

    // A line the journal wrote to `path`: shown when that file is shown,
    // with the others of the same second (one repaint for them all).
    void LineAdded(const QString &path, const QByteArray &line);
    // Lists the days again, and shows today's file.
    void ShowToday();
    // Lists the days again, keeping the day shown.
    void ListDays();

    QComboBox *Days = nullptr;     // a date each; the file name as the item's data
    QComboBox *Searches = nullptr; // each search of the day, then "Whole day"
    QTableView *Table = nullptr;
    JournalPlot *Plot = nullptr;
    QLineEdit *Note = nullptr;
    QPushButton *ExportButton = nullptr;
    QPushButton *FolderButton = nullptr;
    QLabel *Saved = nullptr; // where the last picture went
    JournalModel &Model() { return model_; }
    // The file shown.
    QString ShownPath() const { return shownPath_; }
    // The lines the exported picture carries above the plot shown.
    QStringList Caption() const;

private:
    // Every note takes the table's whole row.
    void SpanNotes();
    void ShowFile(const QString &path);
    // Lists the searches of the rows again; a new last one is picked when
    // the last one was.
    void ListSearches();
    // The rows of the search picked (all for the whole day) in the plot:
    // only those it lacks when it already holds the rest.
    void PlotPicked();
    // The search picked; null for the whole day.
    const JournalSearch *PickedSearch() const;
    // The day of the file shown; today for a file named otherwise.
    QDate ShownDay() const;
    void ExportPng();
    void OpenFolder();
    void WriteNote();
    // Shows the lines that came since the last time.
    void ShowPendingLines();

    const AppState &state_;
    RingOutJournal &journal_;
    UserDialogs &dialogs_;
    std::function<bool(const QUrl &)> openUrl_;
    JournalModel model_;
    QString shownPath_;
    QString listedToday_; // today's file name when the days were listed
    QList<QByteArray> pending_;
    QTimer *pendingTimer_ = nullptr;
    std::vector<JournalSearch> searches_;
    // The rows the plot holds, by their place in the file: first to end.
    std::size_t plottedFirst_ = 0;
    std::size_t plottedEnd_ = 0;
};

} // namespace ksr
