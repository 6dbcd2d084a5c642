#include "journal/JournalSearches.h"

namespace ksr {

namespace {

QString EventOf(const JournalRow &row)
{
    return row.fields.value(3);
}

} // namespace

std::vector<JournalSearch> JournalSearches(const std::vector<JournalRow> &rows)
{
    std::vector<JournalSearch> searches;
    bool open = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const JournalRow &row = rows[i];
        if (row.IsNote())
            continue;
        const QString event = EventOf(row);
        if (event == QLatin1String(SearchStartedEvent)) {
            if (!searches.empty())
                searches.back().notesEnd = i;
            searches.push_back({i, i + 1, rows.size(), row.fields.value(1), row.fields.value(0), {}, row.fields.value(0)});
            open = true;
            continue;
        }
        if (!open)
            continue;
        JournalSearch &search = searches.back();
        search.end = i + 1;
        search.lastAt = row.fields.value(0);
        if (event == QLatin1String(SearchStoppedEvent)) {
            search.stoppedAt = row.fields.value(0);
            open = false;
        }
    }
    return searches;
}

QString ClockTime(const QString &rowTime)
{
    return rowTime.section(QLatin1Char('T'), 1);
}

QString ChannelsText(const QString &channels)
{
    return channels == QLatin1String("Both") ? QStringLiteral("Left and Right") : channels;
}

QString SearchText(const JournalSearch &search, int number)
{
    if (search.stoppedAt.isEmpty())
        return QStringLiteral("Search %1: from %2, %3")
            .arg(number)
            .arg(ClockTime(search.startedAt), ChannelsText(search.channels));
    return QStringLiteral("Search %1: %2 to %3, %4")
        .arg(number)
        .arg(ClockTime(search.startedAt), ClockTime(search.stoppedAt), ChannelsText(search.channels));
}

} // namespace ksr
