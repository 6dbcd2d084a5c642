#pragma once
// Undo, redo and A/B compare of the user's edits. The history observes the
// model: a step is the difference of the edit snapshot before and after one
// change the user made, wherever it was made (a group of changes opened with
// BeginStep, or a held control, is one step). Taking it back or making it
// again, and switching between the held settings and the current ones, goes
// to the model and the device through ApplyEditSnapshot, so only what
// differs is sent (nothing in demo mode).

#include "operations/EditSnapshot.h"
#include "operations/ParameterSending.h"
#include "operations/PresetModel.h"

#include <QDateTime>

#include <deque>
#include <functional>
#include <optional>

namespace ksr {

class EditHistory {
public:
    // The oldest steps go beyond this many.
    static constexpr std::size_t MaxSteps = 10000;

    EditHistory(PresetModel &model, ParameterSender &sender);

    // Told whenever what can be undone, redone or compared changes.
    void SetChanged(std::function<void()> changed) { changed_ = std::move(changed); }

    // The changes made between BeginStep and EndStep are one step; a pair
    // inside another joins the outer one. A change that changed nothing is
    // no step.
    void BeginStep();
    void EndStep();
    // A control held down (a pressed arrow, a dragged thumb, a held key):
    // every change until it is let go is one step.
    void HoldControl();
    void LetGoControl();

    bool CanUndo() const { return !undo_.empty() || comparing_; }
    bool CanRedo() const { return !redo_.empty(); }
    void Undo();
    void Redo();

    // Keeps the current settings as the reference to compare with.
    void HoldForCompare();
    bool HasHeld() const { return held_.has_value(); }
    // When the held settings were taken (local time); null while none are.
    QDateTime HeldAt() const { return heldAt_; }
    // Switches the editor and the device between the held settings and the
    // current edits.
    void ToggleCompare();
    bool Comparing() const { return comparing_; }
    // The held settings, when live, become the current ones as a step.
    void EndComparison();

    std::size_t UndoCount() const { return undo_.size(); }
    std::size_t RedoCount() const { return redo_.size(); }
    // The memory the steps hold.
    std::size_t Bytes() const;

private:
    bool StepOpen() const { return depth_ > 0 || holding_; }
    // A change of the model: the user's is a step unless a group holds it.
    void ModelChanged(const PresetChange &change);
    // The user's change from `before` to `after`, as one step.
    void RecordUserChange(const EditSnapshot &before, const EditSnapshot &after);
    // Records the open step once nothing holds it open any more.
    void CloseStepIfDone();
    // A new change: on the undo list, the redo list cleared.
    void Record(const EditSnapshot &before, const EditSnapshot &after);
    void Apply(const EditSnapshot &target);
    // Takes the newest step of `from` back (undo) or makes it again, and
    // keeps it on `to`.
    void Replay(std::deque<EditStep> &from, std::deque<EditStep> &to, bool undo);
    EditSnapshot Current() const;
    void TellChanged();

    PresetModel &model_;
    ParameterSender &sender_;
    std::function<void()> changed_;

    std::deque<EditStep> undo_;
    std::deque<EditStep> redo_;
    int depth_ = 0;
    bool holding_ = false;
    EditSnapshot before_; // where the open group began
    EditSnapshot last_;   // the model as the last change left it

    std::optional<EditSnapshot> held_;
    QDateTime heldAt_;
    bool comparing_ = false;
    EditSnapshot edits_; // the current edits while the held settings are live
};

// BeginStep for its lifetime, EndStep on every way out.
class EditStepScope {
public:
    explicit EditStepScope(EditHistory &history) : history_(history) { history_.BeginStep(); }
    ~EditStepScope() { history_.EndStep(); }
    EditStepScope(const EditStepScope &) = delete;
    EditStepScope &operator=(const EditStepScope &) = delete;

private:
    EditHistory &history_;
};

} // namespace ksr
