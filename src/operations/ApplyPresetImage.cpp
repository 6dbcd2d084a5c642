#include "operations/ApplyPresetImage.h"

#include "core/AutoSettingFields.h"
#include "core/CurveRedraw.h"

#include <algorithm>

namespace ksr {

namespace {

// The settings of channel c shown as the image holds them.
void ApplySettings(AppState &state, EditorControls &controls, int c)
{
    for (const AutoSettingField &field : AutoSettingFields) {
        const int stored = StoredFromImage(field, state.PresetImage[ImageIndex(field, c)]);
        state.ChannelSettings[SettingIndex(field.slot, c)] = static_cast<std::int16_t>(stored);
    }
    ShowStoredSettings(state, controls, c, c);
}

// The image bytes that a filter row or a setting control shows.
constexpr std::array<bool, PresetImageBytes> ShownBytes = [] {
    std::array<bool, PresetImageBytes> shown{};
    for (const int o : NotchOffset) {
        for (int k = 0; k < 4; ++k)
            shown[static_cast<std::size_t>(o + k)] = true;
    }
    for (const AutoSettingField &field : AutoSettingFields) {
        for (const int o : field.offset)
            shown[static_cast<std::size_t>(o)] = true;
    }
    return shown;
}();

bool IsModeSlot(SettingSlot slot)
{
    return slot == ReleaseModeSlot || slot == SearchModeSlot;
}

// Channel c's settings brought to `target`, one frame per group that changed.
void ApplySettingDifferences(AppState &state, EditorControls &controls, ParameterSender &sender, CurveRedraw &graph,
                             const PresetImageArray &target, int c)
{
    bool searchChanged = false;
    bool modesChanged = false;
    bool countChanged = false;
    bool widthChanged = false;
    for (const AutoSettingField &field : AutoSettingFields) {
        const std::size_t i = ImageIndex(field, c);
        if (state.PresetImage[i] == target[i])
            continue;
        const int position = ControlPosition(field, StoredFromImage(field, target[i]));
        state.PresetImage[i] = target[i];
        {
            const ControlsUpdate updating(state);
            controls.SetSettingValue(field.control, c, position);
        }
        StoreSettingPosition(state, controls, field.control, c, position);
        (IsModeSlot(field.slot) ? modesChanged : searchChanged) = true;
        countChanged = countChanged || field.slot == AutoCountSlot;
        widthChanged = widthChanged || field.slot == AutoQSlot;
    }
    if (countChanged)
        sender.UpdateFilterRowsEnabled(c);
    if (widthChanged)
        sender.ApplyAutoWidth(c);
    if (searchChanged)
        sender.SendAutoSearch(c);
    if (modesChanged)
        sender.SendSearchModes(c);
    if (widthChanged)
        graph.RedrawFilters(c, state.ChannelSettings[SettingIndex(AutoCountSlot, c)]);
}

} // namespace

void ShowImageFilter(AppState &state, EditorControls &controls, int f)
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

void ApplyEditSnapshot(AppState &state, EditorControls &controls, ParameterSender &sender, CurveRedraw &graph,
                       const EditSnapshot &target)
{
    if ((state.LinkFlag != 0) != target.linked) {
        const ControlsUpdate updating(state);
        controls.SetCheck2Value(target.linked);
        state.LinkFlag = target.linked ? 1 : 0;
    }
    for (int c = 0; c < 2; ++c)
        ApplySettingDifferences(state, controls, sender, graph, target.image, c);
    auto &image = state.PresetImage;
    for (int f = 0; f < FilterCount; ++f) {
        const auto o = static_cast<std::ptrdiff_t>(NotchOffset[static_cast<std::size_t>(f)]);
        if (std::equal(image.begin() + o, image.begin() + o + 4, target.image.begin() + o))
            continue;
        std::copy_n(target.image.begin() + o, 4, image.begin() + o);
        ShowImageFilter(state, controls, f);
        sender.SendNotchFilter(f);
        graph.RedrawChannel(f);
    }
    // The bytes no control shows.
    for (std::size_t i = 0; i < image.size(); ++i) {
        if (!ShownBytes[i])
            image[i] = target.image[i];
    }
    controls.SetLabel7Caption(target.source);
    controls.SetLabel8Caption(target.name);
}

void ApplyPresetImage(AppState &state, EditorControls &controls, ParameterSender &sender, CurveRedraw &graph)
{
    controls.SetCheck2Value(false);
    state.LinkFlag = 0;

    for (int f = 0; f < FilterCount; ++f) {
        ShowImageFilter(state, controls, f);
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
