#pragma once
// The four presets built into the device (directory entries 0..3).

#include "sim/Preset.h"

#include <QByteArray>

namespace ksr::sim {

inline constexpr int FixedPresetCount = 4;

// Fixed preset `index` 0..3.
const Preset &FixedPreset(int index);
// Its 8-character name: "Preset01" .. "Preset04".
QByteArray FixedPresetName(int index);

} // namespace ksr::sim
