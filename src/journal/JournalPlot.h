#pragma once
// A plot of the notches placed in a journal's rows: its frequency on the
// response curves' logarithmic axis (20 Hz to 20 kHz) across, its number in
// the order of placement down (the axis numbered), its depth (as placed, or
// as deepened since) as the size of its mark; Left red circles, Right blue
// squares; a dashed line where a search started. The mark under the pointer
// names its notch in a tool tip. Drawn with QPainter, so it is crisp at any
// device pixel ratio and in the PNG export alike.

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
    // The plot at `size` logical pixels, drawn at `pixelRatio` pixels each,
    // below the lines of `caption` (the picture taller by their band).
    QImage Render(QSize size, qreal pixelRatio, const QStringList &caption = {}) const;
    // The colours of the plot: the light look's until set; repaints in them.
    void SetColours(const LookColours &colours);
    const LookColours &Colours() const { return colours_; }

    struct Mark {
        bool right;
        double hz;
        double gainDb;
        int notch;           // 1-12 within its channel
        QString frequency;   // as the row gives it
        QString placedAt;    // the rows' times
        QString deepenedAt;  // empty until a gain report
    };
    const std::vector<Mark> &Marks() const { return marks_; }
    // Where mark `index` is drawn on the widget.
    QPointF MarkCentre(std::size_t index) const;
    // What the tool tip says at `pos` of the widget: the topmost mark there, or empty.
    QString ToolTipAt(QPointF pos) const;

    QSize sizeHint() const override { return {560, 360}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    void Draw(QPainter &painter, QSize size) const;
    void DrawOrderAxis(QPainter &painter, const QRectF &area) const;
    void DrawSearchStarts(QPainter &painter, const QRectF &area) const;

    // Takes in one row without repainting.
    void TakeRow(const JournalRow &row);

    LookColours colours_ = LightColours;
    std::vector<Mark> marks_;
    // Each channel's notch (channel and number) to its latest mark: a later
    // gain report deepens that mark.
    std::map<QString, std::size_t> latest_;
    // Where each search started: the number of marks before it, and its time.
    std::vector<std::pair<std::size_t, QString>> starts_;
};

} // namespace ksr
