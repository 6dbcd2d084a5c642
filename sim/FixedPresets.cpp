#include "sim/FixedPresets.h"

namespace ksr::sim {

namespace {

// 0: flat. 1: speech, a few narrow cuts in the voice range. 2: monitors, wider
// cuts low down and a faster search. 3: the two channels set up differently.
std::array<Preset, FixedPresetCount> BuildFixedPresets()
{
    std::array<Preset, FixedPresetCount> presets;
    presets.fill(FlatPresetImage);

    Preset &speech = presets[1];
    for (int c = 0; c < 2; ++c) {
        SetNotch(speech, c, 0, 33, 330, 1);
        SetNotch(speech, c, 1, 36, 410, 1);
        SetNotch(speech, c, 2, 39, 472, 0);
        SetSearch(speech, c, {9, 1, 1, 8, 0, 0});
    }

    Preset &monitors = presets[2];
    for (int c = 0; c < 2; ++c) {
        SetNotch(monitors, c, 0, 27, 180, 3);
        SetNotch(monitors, c, 1, 30, 245, 2);
        SetSearch(monitors, c, {12, 3, 0, 10, 1, 1});
    }

    Preset &split = presets[3];
    SetNotch(split, 0, 5, 21, 600, 2);
    SetSearch(split, 0, {6, 0, 1, 4, 1, 0});
    SetNotch(split, 1, 11, 42, 729, 0);
    SetNotch(split, 1, 0, 0, 0, 3);
    SetSearch(split, 1, {1, 2, 0, 15, 0, 1});
    return presets;
}

const std::array<Preset, FixedPresetCount> FixedPresets = BuildFixedPresets();

} // namespace

const Preset &FixedPreset(int index)
{
    return FixedPresets.at(static_cast<std::size_t>(index));
}

QByteArray FixedPresetName(int index)
{
    return QByteArray("Preset0") + static_cast<char>('1' + index);
}

} // namespace ksr::sim
