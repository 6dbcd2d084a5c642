#include "operations/ApplyPresetImage.h"

#include "core/CurveRedraw.h"

#include <algorithm>

namespace ksr {

namespace {

void ApplyNotchFilter(AppState &state, EditorControls &controls, int f)
{
    const auto &image = state.PresetImage;
    const auto o = static_cast<std::size_t>(NotchOffset[static_cast<std::size_t>(f)]);
    const int frequencyIndex = std::min(image[o + 1] * 256 + image[o + 2], FrequencyCount - 1);
    {
        const ControlsUpdate updating(state);
        controls.SetHScroll20Value(f, std::min<int>(image[o], 45));
        controls.SetHScroll30Value(f, std::min<int>(image[o + 3], 3));
        controls.SetText2Text(f, FrequencyText(FreqTable[static_cast<std::size_t>(frequencyIndex)]));
        controls.SetHScroll6Value(f, frequencyIndex);
    }
}

void ApplySettings(AppState &state, EditorControls &controls, int c)
{
    const auto i = static_cast<std::size_t>(c);
    const auto byteAt = [&](const std::array<int, 2> &offsets) {
        return int(state.PresetImage[static_cast<std::size_t>(offsets[i])]);
    };
    const int autoCount = std::clamp(byteAt(AutoCountOffset), 1, FiltersPerChannel);
    const int autoQ = std::min(byteAt(AutoQOffset), 3);
    const int attenuation = std::min(byteAt(AttenuationOffset), 1);
    const int sensitivity = std::min(byteAt(SensitivityOffset), 15);
    // Modes this editor does not offer are shown, stored and sent as 0.
    const int release = byteAt(ReleaseOffset) > 1 ? 0 : byteAt(ReleaseOffset);
    const int search = byteAt(SearchModeOffset) > 1 ? 0 : byteAt(SearchModeOffset);

    auto &settings = state.ChannelSettings;
    settings[SettingIndex(AutoCountSlot, c)] = static_cast<std::int16_t>(autoCount);
    settings[SettingIndex(AutoQSlot, c)] = static_cast<std::int16_t>(autoQ);
    settings[SettingIndex(AttenuationModeSlot, c)] = static_cast<std::int16_t>(attenuation);
    settings[SettingIndex(SensitivitySlot, c)] = static_cast<std::int16_t>(sensitivity);
    settings[SettingIndex(ReleaseModeSlot, c)] = static_cast<std::int16_t>(release);
    settings[SettingIndex(SearchModeSlot, c)] = static_cast<std::int16_t>(search);

    {
        const ControlsUpdate updating(state);
        controls.SetSettingValue(SettingControl::HScroll1, c, autoCount - 1);
        controls.SetSettingValue(SettingControl::HScroll2, c, autoQ);
        controls.SetSettingValue(SettingControl::HScroll3, c, attenuation);
        controls.SetSettingValue(SettingControl::HScroll4, c, release);
        controls.SetSettingValue(SettingControl::HScroll5, c, search);
        controls.SetSettingValue(SettingControl::Slider1, c, sensitivity);
    }
}

} // namespace

void ApplyPresetImage(AppState &state, EditorControls &controls, ParameterSender &sender, CurveRedraw &graph)
{
    controls.SetCheck2Value(false);
    state.LinkFlag = 0;

    for (int f = 0; f < FilterCount; ++f) {
        ApplyNotchFilter(state, controls, f);
        sender.SendNotchFilter(f);
        graph.RedrawChannel(f);
    }
    for (int c = 0; c < 2; ++c) {
        ApplySettings(state, controls, c);
        sender.SendAutoCount(c);
        sender.SendAutoQ(c);
        sender.SendAttenuationMode(c);
        sender.SendSensitivity(c);
        sender.SendReleaseMode(c);
        sender.SendSearchMode(c);
        sender.UpdateFilterRowsEnabled(c);
    }
}

} // namespace ksr
