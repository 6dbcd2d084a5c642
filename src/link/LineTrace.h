#pragma once
// The trace of the line, for bug reports: every frame the link sends and
// every answer it takes in or misses, one line each, e.g.
//   12.345678 2026-12-11T03:04:59.123Z exchange 17 resend 1 answer: F0 5B ... F7 [2 extra bytes; unsound #16-#17]
// with the seconds since the link started (its monotonic clock), the wall
// clock (UTC), the exchange's number ("-" for a frame that expects no
// answer or a line about the port), how many times the frame had been sent
// before, what happened and, after a colon, its bytes, and in brackets what made the answer
// unsound. The last KeptLines lines are kept in memory; a file gets every
// line from the moment it is named, flushed line by line; each line also
// goes to ksr.link.frames as a debug message. Nothing touches the disk
// unless a file is named.

#include "core/Clock.h"

#include <QByteArray>
#include <QContiguousCache>
#include <QFile>
#include <QString>
#include <QStringList>

namespace ksr {

class LineTrace {
public:
    static constexpr int KeptLines = 2000;
    // The exchange number of a line that belongs to no exchange.
    static constexpr quint64 NoExchange = 0;

    explicit LineTrace(Clock &clock);

    // Writes every line from now on to `path` too, replacing what it held;
    // false, with `error` set, when it cannot be opened.
    bool WriteTo(const QString &path, QString *error);

    // A line: `resend` is the sends of the frame before this one (< 0: none
    // to tell); `what` says what happened, `bytes` are shown in hex, `marks`
    // in brackets when there are any.
    void Record(quint64 exchange, int resend, const QString &what, const QByteArray &bytes = {},
                const QString &marks = {});

    // The kept lines, oldest first, without their newlines.
    QStringList Lines() const;
    // The kept lines as a file holds them, each ending in a newline.
    QByteArray Text() const;

private:
    Clock &clock_;
    double started_;
    QContiguousCache<QString> kept_{KeptLines};
    QFile file_;
};

} // namespace ksr
