#pragma once
// A plot of every notch placed in a journal: its frequency on the response
// curves' logarithmic axis (20 Hz to 20 kHz) across, its place in the order
// of placement down, its depth (as placed, or as deepened since) as the size
// of its mark; Left red circles,
// Right blue squares. Drawn with QPainter, so it is crisp at any device
// pixel ratio and in the PNG export alike.

#include "core/LookColours.h"
#include "operations/RingOutJournal.h"

#include <QImage>
#include <QWidget>

#include <map>
#include <vector>

namespace ksr {

class JournalPlot final : public QWidget {
public:
    explicit JournalPlot(QWidget *parent = nullptr);

    // The placed notches among `rows`, in their order.
    void SetRows(const std::vector<JournalRow> &rows);
    // One more row, after those already set (repainted with the next paint).
    void AddRow(const JournalRow &row);
    // The plot at `size` logical pixels, drawn at `pixelRatio` pixels each.
    QImage Render(QSize size, qreal pixelRatio) const;
    // The colours of the plot: the light look's until set; repaints in them.
    void SetColours(const LookColours &colours);
    const LookColours &Colours() const { return colours_; }

    struct Mark {
        bool right;
        double hz;
        double gainDb;
    };
    const std::vector<Mark> &Marks() const { return marks_; }

    QSize sizeHint() const override { return {560, 360}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void Draw(QPainter &painter, QSize size) const;

    // Takes in one row without repainting.
    void TakeRow(const JournalRow &row);

    LookColours colours_ = LightColours;
    std::vector<Mark> marks_;
    // Each channel's notch (channel and number) to its latest mark: a later
    // gain report deepens that mark.
    std::map<QString, std::size_t> latest_;
};

} // namespace ksr
