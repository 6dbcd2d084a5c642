#include "editor/FeedbackSearch.h"

#include "core/Protocol.h"
#include "editor/EditorToolTips.h"
#include "editor/FrmEq.h"

#include <QCheckBox>
#include <QSignalBlocker>

namespace ksr {

FeedbackSearch::FeedbackSearch(AppState &state, const PresetModel &model, FrmEq &editor, SerialLink &link,
                               EditorCommands &commands, RingOutJournal &journal,
                               std::function<void(bool)> searching)
    : state_(state), model_(model), editor_(editor), link_(link), commands_(commands), journal_(journal),
      searching_(std::move(searching))
{
    for (int k = 0; k < 3; ++k)
        QObject::connect(editor.Check1[static_cast<std::size_t>(k)], &QCheckBox::toggled,
                         editor.Check1[static_cast<std::size_t>(k)], [this, k](bool on) { Check1_Click(k, on); });
}

void FeedbackSearch::SetOtherBoxesEnabled(int k, bool enabled)
{
    for (int other = 0; other < 3; ++other) {
        if (other != k)
            LockForSearch(editor_.Check1[static_cast<std::size_t>(other)], !enabled);
    }
}

void FeedbackSearch::Check1_Click(int k, bool ticked)
{
    if (ticked) {
        // Without the device no search can run: the box is cleared again.
        if (state_.DeviceLost) {
            const QSignalBlocker quiet(editor_.Check1[static_cast<std::size_t>(k)]);
            editor_.Check1[static_cast<std::size_t>(k)]->setChecked(false);
            return;
        }
        SetOtherBoxesEnabled(k, false);
        commands_.LockCursor(-1);
        // Box k is channel code k; L&R and L carry the Left settings, R the
        // Right ones.
        const AutoSearchSettings settings = AutoSearchSettingsOf(model_.Image(), k == 2 ? 1 : 0);
        // The start's row first: every report of the search comes after it.
        journal_.AddSearchRow(static_cast<SearchChannels>(k), SearchRun::On);
        link_.ExchangeCommand(AutoSearchFrame(static_cast<SearchChannels>(k), settings, SearchRun::On));
        state_.SearchActive = true;
        searching_(true);
        return;
    }
    editor_.SetEditorBusy(true);
    searching_(false);
    // The search counts as running until the device has been told to stop:
    // each report it sent until then is taken in before the stop frames'
    // replies are awaited, and one that crossed them is taken in after.
    const FrameArgs stop =
        AutoSearchFrame(SearchChannels::Both, AutoSearchSettingsOf(model_.Image(), 0), SearchRun::Off);
    link_.ExchangeCommand(stop);
    link_.ExchangeCommand(stop);
    link_.TakeInWaitingReports();
    state_.SearchActive = false;
    journal_.AddSearchRow(static_cast<SearchChannels>(k), SearchRun::Off);
    SetOtherBoxesEnabled(k, true);
    commands_.LockCursor(0);
    if (k != 0) {
        link_.ExchangeCommand(stop);
        link_.ExchangeCommand(stop);
    }
    editor_.SetEditorBusy(false);
}

} // namespace ksr
