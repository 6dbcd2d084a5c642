#include "journal/JournalPlot.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

namespace ksr {

namespace {

constexpr double LowHz = 20.0;
constexpr double HighHz = 20000.0;
constexpr int Left = 48;
constexpr int Top = 28;
constexpr int RightMargin = 16;
constexpr int Bottom = 28;

// Where `hz` lies across `width` pixels of the logarithmic axis, from 0.
double AxisX(double hz, double width)
{
    return std::log10(std::clamp(hz, LowHz, HighHz) / LowHz) / std::log10(HighHz / LowHz) * width;
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
    const QString notch = row.fields.value(1) + row.fields.value(2);
    bool hzOk = false;
    bool gainOk = false;
    const double hz = row.fields.value(4).toDouble(&hzOk);
    const double gain = row.fields.value(6).toDouble(&gainOk);
    if (!gainOk)
        return;
    if (row.fields.value(3) == QLatin1String("placed") && hzOk) {
        latest_[notch] = marks_.size();
        marks_.push_back({row.fields.value(1) == QLatin1String("Right"), hz, gain});
    } else if (const auto mark = latest_.find(notch); mark != latest_.end()) {
        marks_[mark->second].gainDb = gain;
    }
}

QImage JournalPlot::Render(QSize size, qreal pixelRatio) const
{
    QImage image(size * pixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(pixelRatio);
    QPainter painter(&image);
    Draw(painter, size);
    return image;
}

void JournalPlot::SetColours(const LookColours &colours)
{
    colours_ = colours;
    update();
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
    const QRectF area(Left, Top, size.width() - Left - RightMargin, size.height() - Top - Bottom);
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
    painter.save();
    painter.translate(14, area.center().y());
    painter.rotate(-90);
    const QString order = QStringLiteral("order of placement");
    painter.drawText(QPointF(-metrics.horizontalAdvance(order) / 2, 0), order);
    painter.restore();

    // The legend, and the marks: a deeper notch a larger mark.
    painter.setPen(leftColour);
    painter.drawText(QPointF(area.left(), Top - 10), QStringLiteral("\u25CF Left"));
    painter.setPen(rightColour);
    painter.drawText(QPointF(area.left() + 70, Top - 10), QStringLiteral("\u25A0 Right"));
    painter.setPen(ink);
    painter.drawText(QPointF(area.left() + 150, Top - 10),
                     QStringLiteral("size: depth   %1 placed").arg(marks_.size()));
    const double step = area.height() / static_cast<double>(std::max<std::size_t>(marks_.size(), 1) + 1);
    for (std::size_t i = 0; i < marks_.size(); ++i) {
        const Mark &mark = marks_[i];
        const double radius = 2.5 + std::clamp(-mark.gainDb, 0.0, 45.0) / 45.0 * 7.0;
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

} // namespace ksr
