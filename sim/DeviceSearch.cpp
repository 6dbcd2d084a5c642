// Automatic-search settings and the per-channel search state.
#include "sim/SimDevice.h"

namespace ksr::sim {

namespace {
constexpr std::uint8_t BothChannels = 0;
} // namespace

void SimDevice::HandleAutoSearch(const Frame &frame, double now)
{
    const int selector = frame[3];
    if (selector > 2)
        return;
    const bool start = frame[8] == 1;
    if (selector == BothChannels) {
        // Carries Left's values only; storing them would overwrite Right's.
        SetSearchRunning(0, start, now);
        SetSearchRunning(1, start, now);
        return;
    }
    const int channel = selector - 1;
    const auto c = static_cast<std::size_t>(channel);
    StoreCurrent(static_cast<std::size_t>(AutoCountOffset[c]), frame[4]);
    StoreCurrent(static_cast<std::size_t>(AutoQOffset[c]), frame[5]);
    StoreCurrent(static_cast<std::size_t>(AttenuationOffset[c]), frame[6]);
    StoreCurrent(static_cast<std::size_t>(SensitivityOffset[c]), frame[7]);
    SetSearchRunning(channel, start, now);
}

void SimDevice::SetSearchRunning(int channel, bool running, double now)
{
    search_.SetRunning(channel, running, now, current_);
}

} // namespace ksr::sim
