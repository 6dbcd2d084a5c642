#include "operations/ChannelOperations.h"

#include <algorithm>

namespace ksr {

void CompareChannels(AppState &state, const PresetModel &model)
{
    const auto left = model.Image().begin();
    state.ChannelsDiffer = !std::equal(left, left + ChannelBytes, left + ChannelBytes);
}

ChannelOperations::ChannelOperations(AppState &state, PresetModel &model, ParameterSender &sender,
                                     UserDialogs &dialogs)
    : state_(state), model_(model), sender_(sender), dialogs_(dialogs)
{
}

void ChannelOperations::CopyChannel(int source)
{
    constexpr ChangeOrigin Origin = ChangeOrigin::ChannelOperation;
    const int target = 1 - source;
    {
        const PresetModel::Batch batch(model_, Origin);
        for (int row = 0; row < FiltersPerChannel; ++row) {
            const int s = FiltersPerChannel * source + row;
            model_.SetNotch(FiltersPerChannel * target + row, model_.NotchGainStep(s), model_.NotchFrequencyIndex(s),
                            model_.NotchWidth(s), Origin);
        }
    }
    for (int row = 0; row < FiltersPerChannel; ++row)
        sender_.SendNotchFilter(FiltersPerChannel * target + row);
    const PresetModel::Batch batch(model_, Origin);
    for (const AutoSettingField &field : AutoSettingFields)
        model_.SetSetting(field.control, target, model_.SettingPosition(field.control, source), Origin);
}

void ChannelOperations::CopyChannelLeftToRight()
{
    CopyChannel(0);
    sender_.SendAutoCount(1);
    sender_.SendAutoQ(1);
    sender_.SendAttenuationMode(1);
    sender_.SendSensitivity(1);
    sender_.SendReleaseMode(1);
    sender_.SendSearchMode(1);
}

void ChannelOperations::CopyChannelRightToLeft()
{
    CopyChannel(1);
    // The sensitivity goes last in this direction.
    sender_.SendAutoCount(0);
    sender_.SendAutoQ(0);
    sender_.SendAttenuationMode(0);
    sender_.SendReleaseMode(0);
    sender_.SendSearchMode(0);
    sender_.SendSensitivity(0);
}

bool ChannelOperations::LinkChannels(bool ticked)
{
    constexpr ChangeOrigin Origin = ChangeOrigin::ChannelOperation;
    if (!ticked) {
        model_.SetLinked(false, Origin);
        return true;
    }
    // Compared now: a change made since the last timer tick counts too.
    CompareChannels(state_, model_);
    if (!state_.ChannelsDiffer) {
        model_.SetLinked(true, Origin);
        return true;
    }
    const QString question = QStringLiteral("      You requested to Link channel Left & Right  \r\n"
                                            "        This will copy channel Left to Right     \r\n"
                                            "                     confirm?                    ");
    const MessageAnswer answer = dialogs_.ShowMessage({question, QStringLiteral("Link Left & Right"),
                                                       MessageIcon::None, MessageButtons::YesNo, MessageAnswer::Yes});
    if (answer != MessageAnswer::Yes) {
        model_.SetLinked(false, Origin);
        return false;
    }
    if (busy_)
        busy_(true);
    CopyChannelLeftToRight();
    if (busy_)
        busy_(false);
    model_.SetLinked(true, Origin);
    return true;
}

void ChannelOperations::ResetNotches(int c, bool automatic)
{
    const int count = model_.AutoCount(c);
    const auto reset = [&](int row) { return (row < count) == automatic; };
    {
        const PresetModel::Batch batch(model_, ChangeOrigin::ChannelOperation);
        for (int row = 0; row < FiltersPerChannel; ++row) {
            if (reset(row))
                model_.SetNotchGain(FiltersPerChannel * c + row, 45, ChangeOrigin::ChannelOperation);
        }
    }
    for (int row = 0; row < FiltersPerChannel; ++row) {
        if (reset(row))
            sender_.SendNotchFilter(FiltersPerChannel * c + row);
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

bool ChannelOperations::KeepFoundNotches(int c)
{
    const FoundNotchesPlan plan = PlanKeepFoundNotches(model_, c);
    const QString text = KeepFoundNotchesText(model_, plan);
    const QString title = QStringLiteral("Keep found notches");
    if (plan.Empty()) {
        dialogs_.ShowMessage({text, title, MessageIcon::Information, MessageButtons::Ok, MessageAnswer::Ok});
        return false;
    }
    if (dialogs_.ShowMessage({text, title, MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::Yes})
        != MessageAnswer::Yes)
        return false;
    Keep(plan, ChangeOrigin::ChannelOperation);
    return true;
}

void ChannelOperations::Keep(const FoundNotchesPlan &plan, ChangeOrigin origin)
{
    ksr::KeepFoundNotches(model_, sender_, plan, origin);
    if (kept_) {
        for (const KeptNotch &notch : plan.kept)
            kept_(notch.to);
    }
}

} // namespace ksr
