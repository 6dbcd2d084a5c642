#include "journal/JournalExport.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace ksr {

namespace {

const QString DayFormat = QStringLiteral("yyyy-MM-dd");

// The first and the last time of the rows that have one.
std::pair<QString, QString> DaySpan(const std::vector<JournalRow> &rows)
{
    QString first;
    QString last;
    for (const JournalRow &row : rows) {
        if (row.IsNote())
            continue;
        if (first.isEmpty())
            first = row.fields.value(0);
        last = row.fields.value(0);
    }
    return {first, last};
}

} // namespace

QDate JournalDayOf(const QString &fileName)
{
    static const QRegularExpression name(QStringLiteral("^ringout-(\\d{4}-\\d{2}-\\d{2})\\.csv$"));
    const QRegularExpressionMatch match = name.match(fileName);
    return match.hasMatch() ? QDate::fromString(match.captured(1), DayFormat) : QDate();
}

QString FreeExportPath(const QString &folder, QDate day)
{
    const QString base = QStringLiteral("ringout-") + day.toString(DayFormat);
    QString path = QDir(folder).filePath(base + QStringLiteral(".png"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(QStringLiteral("%1-%2.png").arg(base).arg(n));
    return path;
}

QStringList ExportCaption(QDate day, const std::vector<JournalRow> &rows, const JournalSearch *search, int number)
{
    QStringList lines{QStringLiteral("Ring-out journal of %1").arg(day.toString(DayFormat))};
    std::size_t notesEnd = rows.size();
    if (search) {
        lines << (search->stoppedAt.isEmpty() ? QStringLiteral("Search %1: %2 to %3 (no stop in the journal), %4")
                                                    .arg(number)
                                                    .arg(ClockTime(search->startedAt), ClockTime(search->lastAt),
                                                         ChannelsText(search->channels))
                                              : SearchText(*search, number));
        notesEnd = search->notesEnd;
    } else if (const auto [first, last] = DaySpan(rows); !first.isEmpty()) {
        lines << QStringLiteral("Whole day: %1 to %2").arg(ClockTime(first), ClockTime(last));
    }
    for (std::size_t i = notesEnd; i-- > 0;) {
        if (rows[i].IsNote()) {
            lines << QStringLiteral("Note: ") + rows[i].note;
            break;
        }
    }
    return lines;
}

} // namespace ksr
