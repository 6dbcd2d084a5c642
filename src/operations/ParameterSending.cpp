#include "operations/ParameterSending.h"

#include "core/Protocol.h"

namespace ksr {

QString WidthTextOf(int index)
{
    return TableText(WidthText, index);
}

ParameterSender::ParameterSender(SerialLink &link, const PresetModel &model) : link_(link), model_(model) {}

void ParameterSender::SendNotchFilter(int f)
{
    if (f < 0 || f >= FilterCount)
        return;
    link_.ExchangeCommand(NotchFilterFrame(f / FiltersPerChannel, f % FiltersPerChannel, model_.NotchFrequencyIndex(f),
                                           model_.NotchWidth(f), model_.NotchGainStep(f)));
}

void ParameterSender::SendSetting(SettingControl control, int c)
{
    const SettingSlot slot = FieldOf(control).slot;
    if (slot == ReleaseModeSlot || slot == SearchModeSlot)
        SendSearchModes(c);
    else
        SendAutoSearch(c);
}

void ParameterSender::SendSearchModes(int c)
{
    const auto i = static_cast<std::size_t>(c);
    const PresetImageArray &image = model_.Image();
    link_.ExchangeCommand(SearchModesFrame(c, image[static_cast<std::size_t>(ReleaseOffset[i])],
                                           image[static_cast<std::size_t>(SearchModeOffset[i])]));
}

void ParameterSender::SendAutoSearch(int c)
{
    link_.ExchangeCommand(
        AutoSearchFrame(SearchChannelsOf(c), AutoSearchSettingsOf(model_.Image(), c), SearchRun::Off));
}

} // namespace ksr
