#pragma once
// Collects the bytes the device receives into 10-byte frames: leading bytes
// other than F0 are dropped; 10 collected bytes with 5B at 1 and F7 at 9 are
// a frame, otherwise the first byte is dropped and the rest searched again.
// A partial frame whose first byte came more than PartialFrameTimeout before
// the next byte is thrown away: the sender gave up on it.

#include "core/Frames.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace ksr::sim {

class FrameReceiver {
public:
    static constexpr double PartialFrameTimeout = 0.5;

    // One byte that arrived at `now`; the frame it completes, if any.
    std::optional<Frame> Push(std::uint8_t byte, double now);
    int PendingBytes() const { return static_cast<int>(bytes_.size()); }

private:
    void Resync();

    std::vector<std::uint8_t> bytes_;
    std::vector<double> times_;
};

} // namespace ksr::sim
