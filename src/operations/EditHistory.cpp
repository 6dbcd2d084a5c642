#include "operations/EditHistory.h"

#include "operations/ApplyPresetImage.h"

namespace ksr {

EditHistory::EditHistory(PresetModel &model, ParameterSender &sender)
    : model_(model), sender_(sender), last_(TakeEditSnapshot(model))
{
    QObject::connect(&model, &PresetModel::Changed, &model,
                     [this](const PresetChange &change) { ModelChanged(change); });
}

EditSnapshot EditHistory::Current() const
{
    return TakeEditSnapshot(model_);
}

void EditHistory::ModelChanged(const PresetChange &change)
{
    if (StepOpen())
        return;
    const EditSnapshot now = Current();
    if (IsUserChange(change.origin))
        RecordUserChange(last_, now);
    last_ = now;
}

void EditHistory::TellChanged()
{
    if (changed_)
        changed_();
}

void EditHistory::BeginStep()
{
    if (!StepOpen())
        before_ = Current();
    ++depth_;
}

void EditHistory::EndStep()
{
    if (depth_ > 0)
        --depth_;
    CloseStepIfDone();
}

void EditHistory::HoldControl()
{
    if (!StepOpen())
        before_ = Current();
    holding_ = true;
}

void EditHistory::LetGoControl()
{
    if (!holding_)
        return;
    holding_ = false;
    CloseStepIfDone();
}

void EditHistory::CloseStepIfDone()
{
    if (StepOpen())
        return;
    last_ = Current();
    RecordUserChange(before_, last_);
}

void EditHistory::RecordUserChange(const EditSnapshot &before, const EditSnapshot &after)
{
    if (after == before)
        return;
    // An edit while the held settings are live keeps them: their switch
    // becomes a step of its own, before the edit.
    if (comparing_) {
        comparing_ = false;
        Record(edits_, before);
    }
    Record(before, after);
    TellChanged();
}

void EditHistory::Record(const EditSnapshot &before, const EditSnapshot &after)
{
    std::optional<EditStep> step = EditStep::Between(before, after);
    if (!step)
        return;
    undo_.push_back(std::move(*step));
    if (undo_.size() > MaxSteps)
        undo_.pop_front();
    redo_.clear();
}

void EditHistory::Apply(const EditSnapshot &target)
{
    ApplyEditSnapshot(model_, sender_, target, ChangeOrigin::History);
}

void EditHistory::Undo()
{
    Replay(undo_, redo_, true);
}

void EditHistory::Redo()
{
    Replay(redo_, undo_, false);
}

void EditHistory::Replay(std::deque<EditStep> &from, std::deque<EditStep> &to, bool undo)
{
    if (depth_ > 0)
        return;
    // Ctrl+Z with a control still held: what it changed so far is a step.
    LetGoControl();
    EndComparison();
    if (from.empty())
        return;
    EditStep step = std::move(from.back());
    from.pop_back();
    Apply(undo ? step.Undone(Current()) : step.Redone(Current()));
    to.push_back(std::move(step));
    TellChanged();
}

void EditHistory::HoldForCompare()
{
    if (StepOpen())
        return;
    EndComparison();
    held_ = Current();
    heldAt_ = QDateTime::currentDateTime();
    TellChanged();
}

void EditHistory::ToggleCompare()
{
    if (!held_ || StepOpen())
        return;
    if (comparing_) {
        comparing_ = false;
        Apply(edits_);
    } else {
        edits_ = Current();
        comparing_ = true;
        Apply(*held_);
    }
    TellChanged();
}

void EditHistory::EndComparison()
{
    if (!comparing_)
        return;
    comparing_ = false;
    Record(edits_, Current());
    TellChanged();
}

std::size_t EditHistory::Bytes() const
{
    std::size_t bytes = 0;
    for (const EditStep &step : undo_)
        bytes += step.Bytes();
    for (const EditStep &step : redo_)
        bytes += step.Bytes();
    return bytes;
}

} // namespace ksr
