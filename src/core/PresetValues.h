#pragma once
// The values of both channels as plain data: the preset image, its
// per-filter mirrors, the automatic-search settings, the link and the
// captions naming the preset. PresetModel owns them and keeps them in
// agreement; the curves and the tests read them.

#include "core/State.h"
#include "core/Tables.h"

#include <QString>

#include <array>
#include <cstdint>

namespace ksr {

// What the editor shows for where a preset came from, before anything is read.
inline constexpr const char *DefaultPresetSource = "Preset loaded from Device";
inline constexpr const char *DefaultPresetName = "program";

struct PresetValues {
    PresetImageArray PresetImage{};
    std::array<double, FilterCount> NotchFreqHz{};
    std::array<double, FilterCount> NotchGainDb{};
    std::array<double, FilterCount> NotchWidthIndex{};
    std::array<std::int16_t, 14> ChannelSettings{};
    int LinkFlag = 0; // 1 = linked
    QString PresetSource = QString::fromLatin1(DefaultPresetSource); // Label7
    QString PresetName = QString::fromLatin1(DefaultPresetName);     // Label8
};

} // namespace ksr
