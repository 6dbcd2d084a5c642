#include "journal/JournalPlot.h"

#include "journal/JournalSearches.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <array>
#include <cmath>

namespace ksr {

namespace {

constexpr double LowHz = 20.0;
constexpr double HighHz = 20000.0;
constexpr int Left = 60;
constexpr int Top = 28;
constexpr int RightMargin = 16;
constexpr int Bottom = 28;
// Room around a mark that still counts as pointing at it.
constexpr double PointerSlack = 2.0;

// Where `hz` lies across `width` pixels of the logarithmic axis, from 0.
double AxisX(double hz, double width)
{
    return std::log10(std::clamp(hz, LowHz, HighHz) / LowHz) / std::log10(HighHz / LowHz) * width;
}

QRectF PlotArea(QSize size)
{
    return QRectF(Left, Top, size.width() - Left - RightMargin, size.height() - Top - Bottom);
}

// The distance down from one place in the order to the next, for `count` marks.
double OrderStep(const QRectF &area, std::size_t count)
{
    return area.height() / static_cast<double>(std::max<std::size_t>(count, 1) + 1);
}

double MarkRadius(double gainDb)
{
    return 2.5 + std::clamp(-gainDb, 0.0, 45.0) / 45.0 * 7.0;
}

// Every how many places the order axis is numbered, so that its numbers
// stand `least` pixels apart: 1, 2, 5, 10, 20, 50...
int OrderLabelEvery(double step, double least)
{
    for (int every = 1;; every *= 10) {
        for (int k : {1, 2, 5}) {
            if (step * every * k >= least || every * k >= 100000)
                return every * k;
        }
    }
}

} // namespace

JournalPlot::JournalPlot(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("JournalPlot"));
    setMinimumSize(320, 200);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void JournalPlot::SetRows(const std::vector<JournalRow> &rows)
{
    marks_.clear();
    latest_.clear();
    starts_.clear();
    for (const JournalRow &row : rows)
        TakeRow(row);
    update();
}

void JournalPlot::AddRow(const JournalRow &row)
{
    TakeRow(row);
    update();
}

void JournalPlot::TakeRow(const JournalRow &row)
{
    if (row.IsNote())
        return;
    const QString event = row.fields.value(3);
    if (event == QLatin1String(SearchStartedEvent)) {
        starts_.emplace_back(marks_.size(), row.fields.value(0));
        return;
    }
    const QString notch = row.fields.value(1) + row.fields.value(2);
    bool hzOk = false;
    bool gainOk = false;
    const double hz = row.fields.value(4).toDouble(&hzOk);
    const double gain = row.fields.value(6).toDouble(&gainOk);
    if (!gainOk)
        return;
    if (event == QLatin1String("placed") && hzOk) {
        latest_[notch] = marks_.size();
        marks_.push_back({row.fields.value(1) == QLatin1String("Right"), hz, gain, row.fields.value(2).toInt(),
                          row.fields.value(4), row.fields.value(0), {}});
    } else if (const auto mark = latest_.find(notch); mark != latest_.end()) {
        marks_[mark->second].gainDb = gain;
        marks_[mark->second].deepenedAt = row.fields.value(0);
    }
}

QImage JournalPlot::Render(QSize size, qreal pixelRatio, const QStringList &caption) const
{
    const QFontMetricsF metrics(font());
    const int band = caption.isEmpty() ? 0 : static_cast<int>(std::ceil(metrics.height() * caption.size())) + 12;
    QImage image(QSize(size.width(), size.height() + band) * pixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelRatio);
    QPainter painter(&image);
    painter.setFont(font());
    if (band > 0) {
        painter.fillRect(QRect(0, 0, size.width(), band), QColor(QRgb(colours_.plotBackground)));
        painter.setPen(QColor(QRgb(colours_.plotText)));
        for (qsizetype i = 0; i < caption.size(); ++i)
            painter.drawText(QPointF(Left, 8 + metrics.ascent() + metrics.height() * static_cast<double>(i)),
                             caption[i]);
        painter.translate(0, band);
    }
    Draw(painter, size);
    return image;
}

void JournalPlot::SetColours(const LookColours &colours)
{
    colours_ = colours;
    update();
}

QPointF JournalPlot::MarkCentre(std::size_t index) const
{
    const QRectF area = PlotArea(size());
    return {area.left() + AxisX(marks_[index].hz, area.width()),
            area.top() + OrderStep(area, marks_.size()) * static_cast<double>(index + 1)};
}

QString JournalPlot::ToolTipAt(QPointF pos) const
{
    // The last drawn lies on top.
    for (std::size_t i = marks_.size(); i-- > 0;) {
        const Mark &mark = marks_[i];
        const QPointF offset = pos - MarkCentre(i);
        const double reach = MarkRadius(mark.gainDb) + PointerSlack;
        if (std::abs(offset.x()) > reach || std::abs(offset.y()) > reach)
            continue;
        QString placed = QStringLiteral("placed %1 (number %2)").arg(ClockTime(mark.placedAt)).arg(i + 1);
        if (!mark.deepenedAt.isEmpty())
            placed += QStringLiteral(", deepened %1").arg(ClockTime(mark.deepenedAt));
        return QStringLiteral("%1 notch %2\n%3 Hz, %4 dB\n%5")
            .arg(mark.right ? QStringLiteral("Right") : QStringLiteral("Left"))
            .arg(mark.notch)
            .arg(mark.frequency)
            .arg(mark.gainDb)
            .arg(placed);
    }
    return {};
}

bool JournalPlot::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const QString text = ToolTipAt(help->pos());
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
}

void JournalPlot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    Draw(painter, size());
}

void JournalPlot::Draw(QPainter &painter, QSize size) const
{
    const QColor ink(QRgb(colours_.plotText));
    const QColor leftColour(QRgb(colours_.plotMarks[0]));
    const QColor rightColour(QRgb(colours_.plotMarks[1]));
    painter.fillRect(QRect(QPoint(0, 0), size), QColor(QRgb(colours_.plotBackground)));
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = PlotArea(size);
    if (area.width() <= 0 || area.height() <= 0)
        return;

    // The grid of the response curves: every 1-2-..-9 step of each decade.
    painter.setPen(QPen(QColor(QRgb(colours_.plotGrid)), 1));
    for (double decade = 10.0; decade <= HighHz; decade *= 10.0) {
        for (int k = 1; k <= 9; ++k) {
            const double hz = decade * k;
            if (hz < LowHz || hz > HighHz)
                continue;
            const double x = area.left() + AxisX(hz, area.width());
            painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        }
    }
    painter.setPen(ink);
    painter.drawRect(area);
    const std::array<std::pair<double, const char *>, 5> labels = {
        {{20.0, "20Hz"}, {100.0, "100Hz"}, {1000.0, "1KHz"}, {10000.0, "10KHz"}, {20000.0, "20KHz"}}};
    const QFontMetricsF metrics(painter.font());
    for (const auto &[hz, text] : labels) {
        const QString label = QString::fromLatin1(text);
        const double x = area.left() + AxisX(hz, area.width());
        const double w = metrics.horizontalAdvance(label);
        painter.drawText(QPointF(std::clamp(x - w / 2, 0.0, size.width() - w), area.bottom() + metrics.ascent() + 4),
                         label);
    }
    DrawOrderAxis(painter, area);
    DrawSearchStarts(painter, area);

    // The legend, and the marks: a deeper notch a larger mark.
    painter.setPen(leftColour);
    painter.drawText(QPointF(area.left(), Top - 10), QStringLiteral("\u25CF Left"));
    painter.setPen(rightColour);
    painter.drawText(QPointF(area.left() + 70, Top - 10), QStringLiteral("\u25A0 Right"));
    painter.setPen(ink);
    painter.drawText(QPointF(area.left() + 150, Top - 10),
                     QStringLiteral("size: depth   %1 placed").arg(marks_.size()));
    const double step = OrderStep(area, marks_.size());
    for (std::size_t i = 0; i < marks_.size(); ++i) {
        const Mark &mark = marks_[i];
        const double radius = MarkRadius(mark.gainDb);
        const QPointF centre(area.left() + AxisX(mark.hz, area.width()), area.top() + step * static_cast<double>(i + 1));
        const QColor colour = mark.right ? rightColour : leftColour;
        QColor fill = colour;
        fill.setAlpha(150);
        painter.setPen(QPen(colour, 1));
        painter.setBrush(fill);
        const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
        if (mark.right)
            painter.drawRect(box);
        else
            painter.drawEllipse(box);
    }
}

void JournalPlot::DrawOrderAxis(QPainter &painter, const QRectF &area) const
{
    const QFontMetricsF metrics(painter.font());
    painter.save();
    painter.translate(14, area.center().y());
    painter.rotate(-90);
    const QString order = QStringLiteral("order of placement");
    painter.drawText(QPointF(-metrics.horizontalAdvance(order) / 2, 0), order);
    painter.restore();

    const double step = OrderStep(area, marks_.size());
    const int every = OrderLabelEvery(step, metrics.height() + 2);
    for (std::size_t n = 1; n <= marks_.size(); ++n) {
        if (n != 1 && n % static_cast<std::size_t>(every) != 0)
            continue;
        const double y = area.top() + step * static_cast<double>(n);
        const QString label = QString::number(n);
        painter.drawLine(QPointF(area.left() - 3, y), QPointF(area.left(), y));
        painter.drawText(QPointF(area.left() - 5 - metrics.horizontalAdvance(label), y + metrics.ascent() / 2 - 1),
                         label);
    }
}

void JournalPlot::DrawSearchStarts(QPainter &painter, const QRectF &area) const
{
    const QFontMetricsF metrics(painter.font());
    const double step = OrderStep(area, marks_.size());
    painter.save();
    for (const auto &[before, time] : starts_) {
        const double y = area.top() + step * (static_cast<double>(before) + 0.5);
        painter.setPen(QPen(painter.pen().color(), 1, Qt::DashLine));
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        const QString label = QStringLiteral("search %1").arg(ClockTime(time));
        painter.drawText(QPointF(area.right() - 4 - metrics.horizontalAdvance(label), y - 3), label);
    }
    painter.restore();
}

} // namespace ksr
