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
    for (const AutoSettingField &field : AutoSettingFields) {
        const int stored = StoredFromImage(field, state.PresetImage[ImageIndex(field, c)]);
        state.ChannelSettings[SettingIndex(field.slot, c)] = static_cast<std::int16_t>(stored);
    }
    ShowStoredSettings(state, controls, c, c);
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
