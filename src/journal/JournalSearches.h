#pragma once
// The searches of a day's journal: each from its "search-started" row to its
// "search-stopped" row (or, when the program ended first, to the next start
// or the file's end), as the journal window offers them for its plot and its
// picture. A file written before these rows has none.

#include "operations/RingOutJournal.h"

#include <QString>

#include <cstddef>
#include <vector>

namespace ksr {

struct JournalSearch {
    std::size_t first = 0; // its start's row
    std::size_t end = 0;   // one past its last row (its stop's)
    // One past the last row whose note may describe it: the next search's start, or the file's end.
    std::size_t notesEnd = 0;
    QString channels;  // as the row gives them: "Both", "Left" or "Right"
    QString startedAt; // the rows' times, "yyyy-MM-ddTHH:mm:ss"
    QString stoppedAt; // empty when no stop was written (running, or the program ended)
    QString lastAt;    // the time of its last row with one
};

std::vector<JournalSearch> JournalSearches(const std::vector<JournalRow> &rows);

// "14:03:07" of a row's time "2026-12-10T14:03:07".
QString ClockTime(const QString &rowTime);
// "Left and Right" for "Both", else the channel as written.
QString ChannelsText(const QString &channels);
// The picker's text of search `number` (from 1): "Search 2: 14:03:07 to
// 14:20:11, Left and Right", or "Search 3: from 14:30:00, Left" without a stop.
QString SearchText(const JournalSearch &search, int number);

} // namespace ksr
