#pragma once
// The ring-out journal: every notch or gain report taken in during a
// feedback search, one row each in Journal/ringout-YYYY-MM-DD.csv of the
// start folder, written and flushed before the report is acknowledged, with
// the texts the editor then shows for the row; a row where each search
// starts and stops. Notes of the user go in as comment rows. A journal that cannot be written is said once (until it
// can be written again), and never stops the search.

#include "core/Protocol.h"
#include "core/State.h"
#include "operations/PresetModel.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace ksr {

// The header line of every journal file, without its line end.
inline constexpr const char *JournalHeader = "time,channel,notch,event,frequency_hz,width,gain_db";

// The events of the rows where a search starts and stops; their channel
// column holds "Both", "Left" or "Right", the columns after the event are empty.
inline constexpr const char *SearchStartedEvent = "search-started";
inline constexpr const char *SearchStoppedEvent = "search-stopped";

// The journal folder of a start folder, and the file of a day in it.
QString JournalFolder(const QString &startDirectory);
QString JournalFileName(QDate day);

// One row of a journal file: the seven fields of a report row, or a note.
struct JournalRow {
    QStringList fields; // time, channel, notch, event, frequency_hz, width, gain_db
    QString note;       // a comment row's text; fields then empty

    bool IsNote() const { return fields.isEmpty(); }
};

// The row a line holds; none for the header, a blank or a malformed line.
std::optional<JournalRow> ParseJournalLine(const QByteArray &line);

class RingOutJournal {
public:
    // Each report's row is written as `model` holds it.
    RingOutJournal(const AppState &state, const PresetModel &model);

    // What gives the local time of each row: the system's clock unless set.
    void SetNow(std::function<QDateTime()> now) { now_ = std::move(now); }

    // Told each line added (with the file's path), and once when writing fails.
    void SetLineAdded(std::function<void(const QString &path, const QByteArray &line)> added)
    {
        lineAdded_ = std::move(added);
    }
    void SetWriteFailed(std::function<void(const QString &message)> failed) { writeFailed_ = std::move(failed); }

    // The row of a report just taken in, its frequency, width and gain as
    // the model holds the report's filter, in the editor's texts. Nothing in
    // demo mode.
    void AddReport(const DeviceReport &report);
    // The row of filter f kept as a manual filter (event `kept`), as the
    // model holds it. Nothing in demo mode.
    void AddKept(int f);
    // A comment row "# text"; line breaks become spaces. Nothing for an empty text.
    void AddNote(const QString &text);
    // The row of a search on `channels` started (On) or stopped (Off).
    // Nothing in demo mode.
    void AddSearchRow(SearchChannels channels, SearchRun run);

    // Today's file, as rows are added now.
    QString TodaysPath() const;

private:
    // The row of filter f with `event`, as the model holds the filter.
    void AddFilterRow(int f, const QString &event);
    // Appends `line` to the file at `path`, and tells of it or of the failure.
    void AddLine(const QString &path, const QByteArray &line);
    QString PathOf(QDate day) const;
    // Appends `line` (and the header first to a new file); the error on failure.
    std::optional<QString> Append(const QString &path, const QByteArray &line) const;

    const AppState &state_;
    const PresetModel &model_;
    std::function<QDateTime()> now_ = [] { return QDateTime::currentDateTime(); };
    std::function<void(const QString &, const QByteArray &)> lineAdded_;
    std::function<void(const QString &)> writeFailed_;
    bool failing_ = false;
};

} // namespace ksr
