#pragma once
// The response curve of each channel: every filter's dip in dB at the 730
// grid frequencies, summed per channel and drawn on a 576 x 192 grid.

#include "core/LookColours.h"
#include "core/PresetValues.h"

#include <QImage>
#include <QLine>
#include <QObject>
#include <QPoint>

#include <array>
#include <cstdint>
#include <vector>

namespace ksr {

class ResponseGraph : public QObject {
    Q_OBJECT
public:
    static constexpr int Width = 576;
    static constexpr int Height = 192;
    // Pixel coordinates are held within this range before they become
    // integers, so that a runaway value cannot overflow the conversion.
    static constexpr double CoordinateLimit = 100000.0;

    // Reads the per-filter mirrors of `values`.
    explicit ResponseGraph(const PresetValues &values, QObject *parent = nullptr);

    // Recomputes filter `filter`'s column and redraws its channel's curve;
    // an index outside 0..23 is ignored.
    void RedrawChannel(int filter);
    // Redraws both curves from the sums as they stand, without recomputing.
    void RedrawBothChannels();
    // Recomputes the filters of `filters` (bit f for filter f) and redraws
    // each channel they belong to once.
    void RedrawFilterSet(std::uint32_t filters);

    // The picture of channel c as last drawn: grid and curve.
    const QImage &Picture(int channel) const;
    // The empty grid every picture is drawn on, at `devicePixelRatio` device
    // pixels to the pixel (the same coordinates, scaled), in `colours`.
    static QImage GridImage(qreal devicePixelRatio = 1.0, const LookColours &colours = LightColours);

    // The colours of background, grid and curves: the light look's until
    // set. Setting them draws both pictures afresh in them.
    void SetColours(const LookColours &colours);
    const LookColours &Colours() const { return colours_; }

    // The pictures' device pixels to the pixel: 1 unless the screen scales.
    qreal DevicePixelRatio() const { return devicePixelRatio_; }
    // Draws both pictures afresh at `ratio`, so that they stay crisp on a
    // scaled screen; each channel shows its curve on the new grid.
    void SetDevicePixelRatio(qreal ratio);
    // x of the vertical grid lines, left to right.
    static std::vector<int> GridColumns();
    // y of the horizontal grid lines (+10 dB .. -50 dB in 10 dB steps).
    static std::vector<int> GridRows();

    // Filter `filter`'s contribution in dB at grid point d (0..729).
    double FilterResponseDb(int d, int filter) const;
    // Channel c's summed response in dB at grid point d.
    double ChannelResponseDb(int d, int channel) const;
    // The 730 pixel points of channel c's curve as last drawn; empty until
    // the channel is first drawn.
    const std::vector<QPoint> &CurvePoints(int channel) const;

    // A coordinate as the pixel it falls on: nearest integer, halves to the
    // even neighbour, NaN as 0, held within +-CoordinateLimit.
    static int PixelCoordinate(double v);
    // The unrounded position of a level of `db` dB and of a frequency of `hz`.
    static double LevelY(double db);
    static double FrequencyX(double hz);

signals:
    // Channel c's picture changed.
    void ChannelRedrawn(int channel);

private:
    // Recomputes filter `filter`'s column and its channel's sums.
    void Recompute(int filter);
    // Draws both pictures afresh on a new grid: each channel drawn before
    // shows its curve again.
    void RedrawPictures();
    // Restores channel c's picture to the empty grid.
    void ClearPicture(int channel);
    // Draws the 730 segments of channel c's curve from its sums over its
    // picture, the first from left of the drawing area, each from the last
    // point to the next.
    void DrawCurve(int channel);

    const PresetValues &values_;
    LookColours colours_ = LightColours;
    qreal devicePixelRatio_ = 1.0;
    QImage grid_;
    // Rows are the grid points 0..729; columns filters 0..23 or channels 0, 1.
    std::vector<std::array<double, FilterCount>> filterDb_;
    std::vector<std::array<double, 2>> channelDb_;
    std::array<QImage, 2> pictures_;
    std::array<std::vector<QPoint>, 2> curves_;
    // x of each grid point's pixel column.
    std::vector<int> columnX_;
    // The segments being drawn, kept to save an allocation per curve.
    std::vector<QLine> segments_;
};

} // namespace ksr
