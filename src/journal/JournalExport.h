#pragma once
// What "Export PNG..." needs besides the plot: the day a journal file is
// of, the name it suggests in the Journal folder, and the lines the picture
// carries above the plot.

#include "journal/JournalSearches.h"

#include <QDate>
#include <QStringList>

namespace ksr {

// The day of a journal file's name "ringout-YYYY-MM-DD.csv"; null for another name.
QDate JournalDayOf(const QString &fileName);

// ringout-YYYY-MM-DD.png in `folder`, or ringout-YYYY-MM-DD-N.png with the
// first N from 2 that names no file there yet.
QString FreeExportPath(const QString &folder, QDate day);

// The day, the search shown (`search` null: the whole day, its first and
// last time) and the latest note that may describe it.
QStringList ExportCaption(QDate day, const std::vector<JournalRow> &rows, const JournalSearch *search, int number);

} // namespace ksr
