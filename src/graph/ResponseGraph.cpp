#include "graph/ResponseGraph.h"

#include "core/Encodings.h"
#include "core/Tables.h"

#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ksr {

namespace {

// Where each curve's first segment starts: left of the drawing area.
constexpr QPoint CurveStart(-10, 0);

// The frequencies that carry a vertical grid line.
constexpr std::array<double, 28> GridFrequencies = {
    20,   30,   40,   50,   60,   70,   80,   90,
    100,  200,  300,  400,  500,  600,  700,  800,  900,
    1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000,
    10000, 20000};
constexpr std::array<double, 7> GridLevelsDb = {10, 0, -10, -20, -30, -40, -50};

std::size_t Index(int i)
{
    return static_cast<std::size_t>(i);
}

int ChannelOf(int filter)
{
    return filter >= FiltersPerChannel ? 1 : 0;
}

// The Q of a width index; a stray index is taken to the nearest valid one.
double WidthQ(double widthIndex)
{
    const double last = static_cast<double>(GraphWidthFactor.size() - 1);
    const double index = std::isnan(widthIndex) ? 0.0 : std::clamp(std::nearbyint(widthIndex), 0.0, last);
    return GraphWidthFactor[static_cast<std::size_t>(index)];
}

} // namespace

ResponseGraph::ResponseGraph(const PresetValues &values, QObject *parent)
    : QObject(parent),
      values_(values),
      grid_(GridImage()),
      filterDb_(FrequencyCount, std::array<double, FilterCount>{}),
      channelDb_(FrequencyCount, std::array<double, 2>{}),
      pictures_{grid_.copy(), grid_.copy()}
{
    columnX_.reserve(FrequencyCount);
    for (int d = 0; d < FrequencyCount; ++d)
        columnX_.push_back(PixelCoordinate(FrequencyX(FreqTable[Index(d)])));
}

int ResponseGraph::PixelCoordinate(double v)
{
    if (std::isnan(v))
        return 0;
    return static_cast<int>(std::nearbyint(std::clamp(v, -CoordinateLimit, CoordinateLimit)));
}

double ResponseGraph::LevelY(double db)
{
    return 31.826666514078777 - 3.183333333333333 * db;
}

double ResponseGraph::FrequencyX(double hz)
{
    return Log10(hz / 20.0) * PixelsPerDecade;
}

std::vector<int> ResponseGraph::GridColumns()
{
    std::vector<int> columns;
    for (double hz : GridFrequencies)
        columns.push_back(PixelCoordinate(FrequencyX(hz)));
    return columns;
}

std::vector<int> ResponseGraph::GridRows()
{
    std::vector<int> rows;
    for (double db : GridLevelsDb)
        rows.push_back(PixelCoordinate(LevelY(db)));
    return rows;
}

QImage ResponseGraph::GridImage(qreal devicePixelRatio, const LookColours &colours)
{
    QImage image(qRound(Width * devicePixelRatio), qRound(Height * devicePixelRatio), QImage::Format_RGB32);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(QColor(QRgb(colours.graphBackground)));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QColor(QRgb(colours.graphGrid)), 1));
    for (int x : GridColumns())
        painter.drawLine(x, 0, x, Height - 1);
    for (int y : GridRows())
        painter.drawLine(0, y, Width - 1, y);
    return image;
}

const QImage &ResponseGraph::Picture(int channel) const
{
    Q_ASSERT(channel == 0 || channel == 1);
    return pictures_[Index(channel)];
}

double ResponseGraph::FilterResponseDb(int d, int filter) const
{
    Q_ASSERT(d >= 0 && d < FrequencyCount && filter >= 0 && filter < FilterCount);
    return filterDb_[Index(d)][Index(filter)];
}

double ResponseGraph::ChannelResponseDb(int d, int channel) const
{
    Q_ASSERT(d >= 0 && d < FrequencyCount && (channel == 0 || channel == 1));
    return channelDb_[Index(d)][Index(channel)];
}

const std::vector<QPoint> &ResponseGraph::CurvePoints(int channel) const
{
    Q_ASSERT(channel == 0 || channel == 1);
    return curves_[Index(channel)];
}

void ResponseGraph::ClearPicture(int channel)
{
    // Copied over the picture's own pixels: no new image on every redraw.
    QImage &picture = pictures_[Index(channel)];
    std::memcpy(picture.bits(), grid_.constBits(), static_cast<std::size_t>(grid_.sizeInBytes()));
}

void ResponseGraph::SetDevicePixelRatio(qreal ratio)
{
    if (ratio <= 0.0 || ratio == devicePixelRatio_)
        return;
    devicePixelRatio_ = ratio;
    RedrawPictures();
}

void ResponseGraph::SetColours(const LookColours &colours)
{
    if (colours == colours_)
        return;
    colours_ = colours;
    RedrawPictures();
}

void ResponseGraph::RedrawPictures()
{
    grid_ = GridImage(devicePixelRatio_, colours_);
    for (int c = 0; c < 2; ++c) {
        pictures_[Index(c)] = grid_.copy();
        // A channel never drawn keeps the empty grid.
        if (!curves_[Index(c)].empty())
            DrawCurve(c);
        emit ChannelRedrawn(c);
    }
}

void ResponseGraph::RedrawChannel(int filter)
{
    if (filter < 0 || filter >= FilterCount)
        return;
    Recompute(filter);
    const int c = ChannelOf(filter);
    ClearPicture(c);
    DrawCurve(c);
    emit ChannelRedrawn(c);
}

void ResponseGraph::RedrawBothChannels()
{
    // Only the Left picture is cleared: the Right one already shows the curve
    // its filters' redraws have just drawn, and is drawn over as it stands.
    ClearPicture(0);
    DrawCurve(0);
    emit ChannelRedrawn(0);
    DrawCurve(1);
    emit ChannelRedrawn(1);
}

void ResponseGraph::RedrawFilterSet(std::uint32_t filters)
{
    for (int c = 0; c < 2; ++c) {
        bool any = false;
        for (int row = 0; row < FiltersPerChannel; ++row) {
            const int f = c * FiltersPerChannel + row;
            if (((filters >> f) & 1U) != 0) {
                Recompute(f);
                any = true;
            }
        }
        if (!any)
            continue;
        ClearPicture(c);
        DrawCurve(c);
        emit ChannelRedrawn(c);
    }
}

void ResponseGraph::Recompute(int filter)
{
    const int c = ChannelOf(filter);
    const double q = WidthQ(values_.NotchWidthIndex[Index(filter)]);
    const double fc = values_.NotchFreqHz[Index(filter)];
    const double g = values_.NotchGainDb[Index(filter)];
    // The model only holds grid frequencies; a filter never set (0 Hz) or
    // otherwise without a positive frequency has no dip rather than a
    // division by zero.
    const bool active = fc > 0.0;
    const int first = c * FiltersPerChannel;
    for (int d = 0; d < FrequencyCount; ++d) {
        auto &row = filterDb_[Index(d)];
        if (active) {
            const double f = FreqTable[Index(d)];
            const double t = fc / f - f / fc;
            row[Index(filter)] = g / (1.0 + q * q * (t * t));
        } else {
            row[Index(filter)] = 0.0;
        }
        double sum = 0.0;
        for (int k = first; k < first + FiltersPerChannel; ++k)
            sum += row[Index(k)];
        channelDb_[Index(d)][Index(c)] = sum;
    }
}

void ResponseGraph::DrawCurve(int channel)
{
    std::vector<QPoint> &points = curves_[Index(channel)];
    points.clear();
    segments_.clear();
    QPoint pen = CurveStart;
    for (int d = 0; d < FrequencyCount; ++d) {
        const QPoint end(columnX_[Index(d)], PixelCoordinate(LevelY(channelDb_[Index(d)][Index(channel)])));
        segments_.emplace_back(pen, end);
        points.push_back(end);
        pen = end;
    }
    QPainter painter(&pictures_[Index(channel)]);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QColor(QRgb(colours_.curves[Index(channel)])), 1));
    painter.drawLines(segments_.data(), static_cast<int>(segments_.size()));
}

} // namespace ksr
