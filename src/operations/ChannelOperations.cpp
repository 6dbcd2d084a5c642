#include "operations/ChannelOperations.h"

#include "core/CurveRedraw.h"
#include "operations/ApplyPresetImage.h"

#include <algorithm>

namespace ksr {

void CompareChannels(AppState &state)
{
    const auto left = state.PresetImage.begin();
    state.ChannelsDiffer = !std::equal(left, left + ChannelBytes, left + ChannelBytes);
}

ChannelOperations::ChannelOperations(AppState &state, EditorControls &controls, ParameterSender &sender,
                                     CurveRedraw &graph, UserDialogs &dialogs)
    : state_(state), controls_(controls), sender_(sender), graph_(graph), dialogs_(dialogs)
{
}

void ChannelOperations::CopyControls(int source)
{
    const int target = 1 - source;
    for (int row = 0; row < FiltersPerChannel; ++row) {
        const int s = FiltersPerChannel * source + row;
        const int t = FiltersPerChannel * target + row;
        const auto so = static_cast<std::size_t>(NotchOffset[static_cast<std::size_t>(s)]);
        const auto to = static_cast<std::size_t>(NotchOffset[static_cast<std::size_t>(t)]);
        std::copy_n(state_.PresetImage.begin() + static_cast<std::ptrdiff_t>(so), 4,
                    state_.PresetImage.begin() + static_cast<std::ptrdiff_t>(to));
        // From the model, not the source row: a value typed there but not
        // entered is no part of the channel.
        ShowImageFilter(state_, controls_, t);
        sender_.SendNotchFilter(t);
        graph_.RedrawChannel(t);
    }
    ShowStoredSettings(state_, controls_, source, target);
}

void ChannelOperations::CopyChannelLeftToRight()
{
    CopyControls(0);
    sender_.SendAutoCount(1);
    sender_.SendAutoQ(1);
    sender_.SendAttenuationMode(1);
    sender_.SendSensitivity(1);
    sender_.SendReleaseMode(1);
    sender_.SendSearchMode(1);
    sender_.UpdateFilterRowsEnabled(1);
}

void ChannelOperations::CopyChannelRightToLeft()
{
    CopyControls(1);
    // The sensitivity goes last in this direction.
    sender_.SendAutoCount(0);
    sender_.SendAutoQ(0);
    sender_.SendAttenuationMode(0);
    sender_.SendReleaseMode(0);
    sender_.SendSearchMode(0);
    sender_.SendSensitivity(0);
    sender_.UpdateFilterRowsEnabled(0);
}

void ChannelOperations::LinkChannels()
{
    if (!controls_.Check2Value()) {
        state_.LinkFlag = 0;
        return;
    }
    // Compared now: a change made since the last timer tick counts too.
    CompareChannels(state_);
    if (!state_.ChannelsDiffer) {
        state_.LinkFlag = 1;
        return;
    }
    const QString question = QStringLiteral("      You requested to Link channel Left & Right  \r\n"
                                            "        This will copy channel Left to Right     \r\n"
                                            "                     confirm?                    ");
    const MessageAnswer answer = dialogs_.ShowMessage({question, QStringLiteral("Link Left & Right"),
                                                       MessageIcon::None, MessageButtons::YesNo, MessageAnswer::Yes});
    if (answer != MessageAnswer::Yes) {
        // Clearing the box runs this again for a cleared box: unlinked.
        controls_.SetCheck2Value(false);
        state_.LinkFlag = 0;
        return;
    }
    controls_.SetEditorBusy(true);
    CopyChannelLeftToRight();
    controls_.SetEditorBusy(false);
    state_.LinkFlag = 1;
}

void ChannelOperations::ResetNotches(int c, bool automatic)
{
    const int count = state_.ChannelSettings[SettingIndex(AutoCountSlot, c)];
    for (int row = 0; row < FiltersPerChannel; ++row) {
        if ((row < count) != automatic)
            continue;
        const int f = FiltersPerChannel * c + row;
        {
            const ControlsUpdate updating(state_);
            controls_.SetHScroll20Value(f, 45);
        }
        sender_.SendNotchFilter(f);
        graph_.RedrawChannel(f);
    }
}

void ChannelOperations::ResetManualNotches(int c)
{
    ResetNotches(c, false);
}

void ChannelOperations::ResetAutomaticNotches(int c)
{
    ResetNotches(c, true);
}

} // namespace ksr
