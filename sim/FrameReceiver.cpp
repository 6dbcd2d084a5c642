#include "sim/FrameReceiver.h"

#include <algorithm>

namespace ksr::sim {

std::optional<Frame> FrameReceiver::Push(std::uint8_t byte, double now)
{
    if (!bytes_.empty() && now - times_.front() > PartialFrameTimeout) {
        bytes_.clear();
        times_.clear();
    }
    bytes_.push_back(byte);
    times_.push_back(now);
    Resync();
    if (bytes_.size() < ReplyBytes)
        return std::nullopt;
    if (bytes_[1] == FrameMarker && bytes_[9] == FrameEnd) {
        Frame frame;
        std::copy(bytes_.begin(), bytes_.end(), frame.begin());
        bytes_.clear();
        times_.clear();
        return frame;
    }
    bytes_.erase(bytes_.begin());
    times_.erase(times_.begin());
    Resync();
    return std::nullopt;
}

void FrameReceiver::Resync()
{
    const auto start = std::find(bytes_.begin(), bytes_.end(), FrameStart);
    const auto dropped = start - bytes_.begin();
    bytes_.erase(bytes_.begin(), start);
    times_.erase(times_.begin(), times_.begin() + dropped);
}

} // namespace ksr::sim
