#include "operations/ParameterSending.h"

#include "core/Encodings.h"
#include "core/Protocol.h"

#include <algorithm>
#include <array>

namespace ksr {

namespace {

std::uint8_t Byte(int value)
{
    return static_cast<std::uint8_t>(value);
}

} // namespace

QString WidthTextOf(int index)
{
    return TableText(WidthText, index);
}

void StoreSettingPosition(AppState &state, EditorControls &controls, SettingControl control, int c, int position)
{
    const AutoSettingField &field = FieldOf(control);
    const int stored = StoredValue(field, position);
    state.ChannelSettings[SettingIndex(field.slot, c)] = static_cast<std::int16_t>(stored);
    state.PresetImage[ImageIndex(field, c)] = Byte(stored);
    controls.SetSettingText(control, c, SettingShownText(control, position));
}

void ShowStoredSettings(AppState &state, EditorControls &controls, int source, int target)
{
    std::array<int, AutoSettingFields.size()> positions{};
    for (std::size_t i = 0; i < AutoSettingFields.size(); ++i) {
        const AutoSettingField &field = AutoSettingFields[i];
        positions[i] = ControlPosition(field, state.ChannelSettings[SettingIndex(field.slot, source)]);
    }
    const ControlsUpdate updating(state);
    for (std::size_t i = 0; i < AutoSettingFields.size(); ++i)
        controls.SetSettingValue(AutoSettingFields[i].control, target, positions[i]);
}

ParameterSender::ParameterSender(AppState &state, SerialLink &link, EditorControls &controls)
    : state_(state), link_(link), controls_(controls)
{
}

void ParameterSender::SendNotchFilter(int f)
{
    const int gainStep = controls_.HScroll20Value(f);
    const int widthIndex = controls_.HScroll30Value(f);
    controls_.SetText1Text(f, QString::number(gainStep - 45));
    // The grid frequency nearest to what the box holds; the box never holds
    // more than the grid's ends, but a stray value is kept on the grid.
    const double typed = std::clamp(LeadingNumber(controls_.Text2Text(f)), 20.0, 20000.0);
    controls_.SetText2Text(f, FrequencyText(NearestTableFrequency(typed)));
    controls_.SetText3Text(f, WidthTextOf(widthIndex));

    const auto i = static_cast<std::size_t>(f);
    state_.NotchWidthIndex[i] = widthIndex;
    state_.NotchFreqHz[i] = LeadingNumber(controls_.Text2Text(f));
    state_.NotchGainDb[i] = LeadingNumber(controls_.Text1Text(f));

    const int frequencyIndex = NearestFrequencyIndex(state_.NotchFreqHz[i]);
    const int channel = f / FiltersPerChannel;
    const int number = f % FiltersPerChannel;
    const auto frequency = HighLowBytes(frequencyIndex);
    const auto o = static_cast<std::size_t>(NotchOffset[i]);
    state_.PresetImage[o] = Byte(gainStep);
    state_.PresetImage[o + 1] = frequency[0];
    state_.PresetImage[o + 2] = frequency[1];
    state_.PresetImage[o + 3] = Byte(widthIndex);
    link_.ExchangeCommand(NotchFilterFrame(channel, number, frequencyIndex, widthIndex, gainStep));
}

void ParameterSender::StoreSetting(SettingControl control, int c)
{
    StoreSettingPosition(state_, controls_, control, c, controls_.SettingValue(control, c));
}

void ParameterSender::SendReleaseMode(int c)
{
    StoreSetting(SettingControl::HScroll4, c);
    SendSearchModes(c);
}

void ParameterSender::SendSearchMode(int c)
{
    StoreSetting(SettingControl::HScroll5, c);
    SendSearchModes(c);
}

void ParameterSender::SendAutoCount(int c)
{
    StoreSetting(SettingControl::HScroll1, c);
    UpdateFilterRowsEnabled(c);
    SendAutoSearch(c);
}

void ParameterSender::SendAutoQ(int c)
{
    StoreSetting(SettingControl::HScroll2, c);
    ApplyAutoWidth(c);
    SendAutoSearch(c);
    if (autoWidthsChanged_)
        autoWidthsChanged_(c);
}

void ParameterSender::ApplyAutoWidth(int c)
{
    const int width = state_.ChannelSettings[SettingIndex(AutoQSlot, c)];
    const QString text = WidthTextOf(width);
    const int count = state_.ChannelSettings[SettingIndex(AutoCountSlot, c)];
    for (int row = 0; row < FiltersPerChannel && row < count; ++row) {
        const int f = FiltersPerChannel * c + row;
        {
            const ControlsUpdate updating(state_);
            controls_.SetHScroll30Value(f, width);
            controls_.SetText3Text(f, text);
        }
        state_.NotchWidthIndex[static_cast<std::size_t>(f)] = width;
        state_.PresetImage[static_cast<std::size_t>(NotchOffset[static_cast<std::size_t>(f)] + 3)] = Byte(width);
    }
}

void ParameterSender::SendAttenuationMode(int c)
{
    StoreSetting(SettingControl::HScroll3, c);
    SendAutoSearch(c);
}

void ParameterSender::SendSensitivity(int c)
{
    StoreSetting(SettingControl::Slider1, c);
    SendAutoSearch(c);
}

void ParameterSender::UpdateFilterRowsEnabled(int c)
{
    const int count = state_.ChannelSettings[SettingIndex(AutoCountSlot, c)];
    for (int row = 0; row < FiltersPerChannel; ++row)
        controls_.SetRowEnabled(FiltersPerChannel * c + row, row >= count);
}

void ParameterSender::SendSearchModes(int c)
{
    const auto i = static_cast<std::size_t>(c);
    link_.ExchangeCommand(SearchModesFrame(c, state_.PresetImage[static_cast<std::size_t>(ReleaseOffset[i])],
                                           state_.PresetImage[static_cast<std::size_t>(SearchModeOffset[i])]));
}

void ParameterSender::SendAutoSearch(int c)
{
    link_.ExchangeCommand(
        AutoSearchFrame(SearchChannelsOf(c), AutoSearchSettingsOf(state_.PresetImage, c), SearchRun::Off));
}

} // namespace ksr
