#pragma once
// A preset as the device holds it (160 bytes, Left 0..79, Right 80..159) and
// small helpers to fill one in.

#include "core/Tables.h"

#include <array>
#include <cstdint>

namespace ksr::sim {

using Preset = std::array<std::uint8_t, PresetBytes>;

inline constexpr int NotchRecordBase = 28;
inline constexpr int NotchRecordBytes = 4;

constexpr std::size_t NotchAt(int channel, int filter)
{
    return static_cast<std::size_t>(NotchRecordBase + NotchRecordBytes * filter + ChannelBytes * channel);
}

// Gain step 0..45 (45 = 0 dB), frequency index 0..729, width index 0..3.
constexpr void SetNotch(Preset &p, int channel, int filter, int gainStep, int freqIndex, int width)
{
    const std::size_t o = NotchAt(channel, filter);
    p[o] = static_cast<std::uint8_t>(gainStep);
    p[o + 1] = static_cast<std::uint8_t>(freqIndex >> 8);
    p[o + 2] = static_cast<std::uint8_t>(freqIndex & 0xFF);
    p[o + 3] = static_cast<std::uint8_t>(width);
}

struct SearchSettings {
    int autoCount = 11;
    int autoQ = 2;
    int attenuation = 0;
    int sensitivity = 6;
    int releaseMode = 0;
    int searchMode = 0;
};

constexpr void SetSearch(Preset &p, int channel, const SearchSettings &s)
{
    const auto c = static_cast<std::size_t>(channel);
    p[static_cast<std::size_t>(AutoCountOffset[c])] = static_cast<std::uint8_t>(s.autoCount);
    p[static_cast<std::size_t>(AutoQOffset[c])] = static_cast<std::uint8_t>(s.autoQ);
    p[static_cast<std::size_t>(AttenuationOffset[c])] = static_cast<std::uint8_t>(s.attenuation);
    p[static_cast<std::size_t>(SensitivityOffset[c])] = static_cast<std::uint8_t>(s.sensitivity);
    p[static_cast<std::size_t>(ReleaseOffset[c])] = static_cast<std::uint8_t>(s.releaseMode);
    p[static_cast<std::size_t>(SearchModeOffset[c])] = static_cast<std::uint8_t>(s.searchMode);
}

} // namespace ksr::sim
