#include "operations/ParameterEditing.h"

namespace ksr {

ParameterEditing::ParameterEditing(PresetModel &model, ParameterSender &sender) : model_(model), sender_(sender) {}

void ParameterEditing::SendNotch(int f)
{
    sender_.SendNotchFilter(f);
    if (model_.Linked())
        sender_.SendNotchFilter(PartnerFilter(f));
}

void ParameterEditing::EditNotchGain(int f, int step, ChangeOrigin origin)
{
    const PresetModel::Batch toldOnceSent(model_, origin);
    model_.SetNotchGain(f, step, origin);
    SendNotch(f);
}

void ParameterEditing::EditNotchFrequency(int f, int index, ChangeOrigin origin)
{
    const PresetModel::Batch toldOnceSent(model_, origin);
    model_.SetNotchFrequency(f, index, origin);
    SendNotch(f);
}

void ParameterEditing::EditNotchWidth(int f, int width, ChangeOrigin origin)
{
    const PresetModel::Batch toldOnceSent(model_, origin);
    model_.SetNotchWidth(f, width, origin);
    SendNotch(f);
}

void ParameterEditing::EditSetting(SettingControl control, int c, int position, ChangeOrigin origin)
{
    const PresetModel::Batch toldOnceSent(model_, origin);
    model_.SetSetting(control, c, position, origin);
    sender_.SendSetting(control, c);
    if (model_.Linked())
        sender_.SendSetting(control, 1 - c);
}

} // namespace ksr
