#include "operations/Notifications.h"

#include "core/CurveRedraw.h"

namespace ksr {

bool HandleNotification(AppState &state, EditorControls &controls, ParameterSender &sender, CurveRedraw &graph)
{
    const auto &rx = state.RxBuffer;
    const std::uint8_t type = rx[0];
    const int number = rx[2];
    const int frequencyIndex = rx[3] * 256 + rx[4];
    const int width = rx[5];
    const int gain = rx[6];
    if ((type != NotchReport && type != GainReport) || number >= FiltersPerChannel || gain > 45)
        return false;
    if (type == NotchReport && (frequencyIndex >= FrequencyCount || width > 3))
        return false;

    const int f = number + (rx[1] == 0 ? 0 : FiltersPerChannel);
    const auto o = static_cast<std::size_t>(NotchOffset[static_cast<std::size_t>(f)]);
    auto &image = state.PresetImage;
    image[o] = rx[6];
    {
        const ControlsUpdate updating(state);
        controls.SetHScroll20Value(f, image[o]);
        if (type == NotchReport) {
            image[o + 1] = rx[3];
            image[o + 2] = rx[4];
            image[o + 3] = rx[5];
            controls.SetText2Text(f, FrequencyText(FreqTable[static_cast<std::size_t>(frequencyIndex)]));
            // The scroll bar follows too, so that a later step starts from here.
            controls.SetHScroll6Value(f, frequencyIndex);
            controls.SetHScroll30Value(f, image[o + 3]);
        }
    }

    state.SendSuppressed = true;
    sender.SendNotchFilter(f);
    state.SendSuppressed = false;
    graph.RedrawChannel(f);
    return true;
}

} // namespace ksr
