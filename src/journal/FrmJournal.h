#pragma once
// The "Ring-out journal" window: a day's journal file in a table (newest
// first) beside a plot of the notches placed, a picker of the days in the
// Journal folder, a note written into today's file, "Export PNG..." of the
// plot and "Open folder". Not modal: it stays open during a search and
// follows each row as it is written.

#include "core/UserDialogs.h"
#include "journal/JournalModel.h"
#include "operations/RingOutJournal.h"

#include <QUrl>
#include <QWidget>

#include <functional>

class QComboBox;
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

    QComboBox *Days = nullptr;
    QTableView *Table = nullptr;
    JournalPlot *Plot = nullptr;
    QLineEdit *Note = nullptr;
    QPushButton *ExportButton = nullptr;
    QPushButton *FolderButton = nullptr;
    JournalModel &Model() { return model_; }
    // The file shown.
    QString ShownPath() const { return shownPath_; }

private:
    void ListDays();
    // Every note takes the table's whole row.
    void SpanNotes();
    void ShowFile(const QString &path);
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
    QList<QByteArray> pending_;
    QTimer *pendingTimer_ = nullptr;
};

} // namespace ksr
