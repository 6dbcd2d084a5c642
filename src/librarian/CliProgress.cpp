#include "librarian/CliProgress.h"

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace ksr {

namespace {

constexpr int BarCells = 30;

} // namespace

CliProgress::Style CliProgress::StyleFor(bool quiet)
{
    if (quiet)
        return Style::Quiet;
    return isatty(fileno(stderr)) ? Style::Bar : Style::Lines;
}

void CliProgress::Begin(int totalBytes)
{
    total_ = totalBytes;
    done_ = 0;
    begun_ = std::chrono::steady_clock::now();
    drawnCells_ = -1;
    Redraw();
}

void CliProgress::SetEntry(int entry)
{
    entry_ = entry == 0 ? QStringLiteral("current") : QStringLiteral("entry %1").arg(EntryText(entry));
    drawnCells_ = -1;
    Redraw();
}

void CliProgress::Advance(int count)
{
    done_ += count;
    Redraw();
}

void CliProgress::Finished(const QString &line)
{
    if (style_ != Style::Lines)
        return;
    std::fprintf(out_, "%s\n", qPrintable(line));
    std::fflush(out_);
}

void CliProgress::End()
{
    if (style_ == Style::Bar && drawn_)
        std::fputs("\n", out_);
    drawn_ = false;
    std::fflush(out_);
}

void CliProgress::Note(const QString &text)
{
    if (style_ != Style::Bar)
        return;
    std::fprintf(out_, "%s\n", qPrintable(text));
    std::fflush(out_);
}

QString CliProgress::TimeLeft() const
{
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun_).count();
    const std::optional<int> seconds = SecondsLeft(done_, total_, elapsed);
    if (!seconds)
        return QString(11, QLatin1Char(' '));
    const int left = *seconds;
    return QStringLiteral(" %1:%2 left").arg(left / 60, 2).arg(left % 60, 2, 10, QLatin1Char('0'));
}

void CliProgress::Redraw()
{
    if (style_ != Style::Bar || total_ <= 0)
        return;
    // Redrawn when a cell fills or every 16 bytes, which is often enough
    // to see it move at 4800 baud and spares a terminal thousands of lines.
    const int cells = done_ * BarCells / total_;
    if (cells == drawnCells_ && done_ % 16 != 0 && done_ != total_)
        return;
    drawnCells_ = cells;
    const QString bar = QString(cells, QLatin1Char('#')) + QString(BarCells - cells, QLatin1Char('.'));
    std::fprintf(out_, "\r[%s] %-12s %5d/%d bytes%s", qPrintable(bar), qPrintable(entry_), done_, total_,
                 qPrintable(TimeLeft()));
    std::fflush(out_);
    drawn_ = true;
}

} // namespace ksr
