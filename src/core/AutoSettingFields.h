#pragma once
// The six automatic-search settings of a channel, one entry each: the editor
// control, the ChannelSettings slot, the byte in PresetImage, how a control
// position is stored, how a byte read from an image is brought into range,
// and how the value is shown.

#include "core/EditorControls.h"
#include "core/State.h"
#include "core/Tables.h"

#include <QString>

#include <algorithm>
#include <array>
#include <span>

namespace ksr {

// What an image byte above a setting's range is taken as.
enum class AboveRange { Highest, Zero };

struct AutoSettingField {
    SettingControl control;
    SettingSlot slot;
    std::array<int, 2> offset; // its PresetImage byte, by channel
    int storedShift;           // stored value = control position + storedShift
    int lowest;                // the stored range an image byte is brought into
    int highest;
    AboveRange above;
    // The text shown for each position; none: the number position + 1.
    std::span<const char *const> texts;
};

// In SettingControl order. The count is stored one above its position; a
// release or search mode this editor does not offer is taken as 0.
inline constexpr std::array<AutoSettingField, 6> AutoSettingFields = {{
    {SettingControl::HScroll1, AutoCountSlot, AutoCountOffset, 1, 1, FiltersPerChannel, AboveRange::Highest, {}},
    {SettingControl::HScroll2, AutoQSlot, AutoQOffset, 0, 0, 3, AboveRange::Highest, WidthText},
    {SettingControl::HScroll3, AttenuationModeSlot, AttenuationOffset, 0, 0, 1, AboveRange::Highest,
     AttenuationModeText},
    {SettingControl::HScroll4, ReleaseModeSlot, ReleaseOffset, 0, 0, 1, AboveRange::Zero, ReleaseModeText},
    {SettingControl::HScroll5, SearchModeSlot, SearchModeOffset, 0, 0, 1, AboveRange::Zero, SearchModeText},
    {SettingControl::Slider1, SensitivitySlot, SensitivityOffset, 0, 0, 15, AboveRange::Highest, {}},
}};

static_assert(
    [] {
        for (std::size_t i = 0; i < AutoSettingFields.size(); ++i) {
            if (static_cast<std::size_t>(AutoSettingFields[i].control) != i)
                return false;
        }
        return true;
    }(),
    "AutoSettingFields is indexed by SettingControl");

// The entry of a control.
constexpr const AutoSettingField &FieldOf(SettingControl control)
{
    return AutoSettingFields[static_cast<std::size_t>(control)];
}

// The stored value of a control position.
constexpr int StoredValue(const AutoSettingField &field, int position)
{
    return position + field.storedShift;
}

// The control position of a stored value.
constexpr int ControlPosition(const AutoSettingField &field, int stored)
{
    return stored - field.storedShift;
}

// The stored value that an image byte gives.
constexpr int StoredFromImage(const AutoSettingField &field, int byte)
{
    if (field.above == AboveRange::Zero && byte > field.highest)
        return 0;
    return std::clamp(byte, field.lowest, field.highest);
}

// The image byte of channel c's setting.
constexpr std::size_t ImageIndex(const AutoSettingField &field, int c)
{
    return static_cast<std::size_t>(field.offset[static_cast<std::size_t>(c)]);
}

// What a setting's label (or, for Slider1, Text4) shows for a control position.
QString SettingShownText(SettingControl control, int position);

} // namespace ksr
