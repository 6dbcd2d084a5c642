#pragma once
// Progress on stderr: a bar with the entry and the bytes done, redrawn in
// place, when stderr is a terminal; one line per preset otherwise; nothing
// with --quiet.

#include "operations/DeviceLibrary.h"

#include <QString>

#include <chrono>
#include <cstdio>

namespace ksr {

class CliProgress final : public LibraryProgress {
public:
    enum class Style { Bar, Lines, Quiet };

    // The bar on a terminal, lines elsewhere, nothing when `quiet`.
    static Style StyleFor(bool quiet);
    explicit CliProgress(Style style, std::FILE *out = stderr) : style_(style), out_(out) {}

    void Begin(int totalBytes) override;
    // The entry now worked on, shown on the bar ("entry 05", "current").
    void SetEntry(int entry) override;
    void Advance(int count = 1) override;
    // A preset's line, when lines are printed.
    void Finished(const QString &line) override;
    // The bar's line is ended.
    void End() override;
    // What the command is doing before its bar begins, on a terminal only.
    void Note(const QString &text);

private:
    void Redraw();

    // " M:SS left" once enough is done to tell, else blanks as wide.
    QString TimeLeft() const;

    Style style_;
    std::FILE *out_;
    std::chrono::steady_clock::time_point begun_;
    QString entry_;
    int total_ = 0;
    int done_ = 0;
    int drawnCells_ = -1;
    bool drawn_ = false;
};

} // namespace ksr
