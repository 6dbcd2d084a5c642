#pragma once
// What the operations ask of the response curves once a filter or a setting
// changed: the graph implements it, so the parameter model never names a
// widget.

namespace ksr {

class CurveRedraw {
public:
    virtual ~CurveRedraw() = default;
    // Recomputes filter `filter`'s column and redraws its channel's curve.
    virtual void RedrawChannel(int filter) = 0;
    // Recomputes filters 0..count-1 of channel c and redraws its curve once.
    virtual void RedrawFilters(int channel, int count) = 0;
    // Redraws both curves from the sums as they stand, without recomputing.
    virtual void RedrawBothChannels() = 0;
};

} // namespace ksr
