#include "editor/FeedbackSearch.h"

#include "editor/FrmEq.h"

#include <QCheckBox>

namespace ksr {

FeedbackSearch::FeedbackSearch(AppState &state, FrmEq &editor, SerialLink &link, EditorCommands &commands,
                               std::function<void(bool)> searching)
    : state_(state), editor_(editor), link_(link), commands_(commands), searching_(std::move(searching))
{
    for (int k = 0; k < 3; ++k)
        QObject::connect(editor.Check1[static_cast<std::size_t>(k)], &QCheckBox::toggled,
                         editor.Check1[static_cast<std::size_t>(k)], [this, k](bool on) { Check1_Click(k, on); });
}

FrameArgs FeedbackSearch::SearchFrame(std::uint8_t channel, int from, bool start) const
{
    const auto o = static_cast<std::size_t>(AutoCountOffset[static_cast<std::size_t>(from)]);
    const auto &image = state_.PresetImage;
    return {AutoSearchCommand, channel, image[o], image[o + 1], image[o + 2], image[o + 3],
            static_cast<std::uint8_t>(start ? 1 : 0)};
}

void FeedbackSearch::SetOtherBoxesEnabled(int k, bool enabled)
{
    for (int other = 0; other < 3; ++other) {
        if (other != k)
            editor_.Check1[static_cast<std::size_t>(other)]->setEnabled(enabled);
    }
}

void FeedbackSearch::Check1_Click(int k, bool ticked)
{
    if (ticked) {
        SetOtherBoxesEnabled(k, false);
        commands_.LockCursor(-1);
        // L&R and L carry the Left settings, R the Right ones.
        link_.ExchangeCommand(SearchFrame(static_cast<std::uint8_t>(k), k == 2 ? 1 : 0, true));
        state_.SearchActive = true;
        searching_(true);
        return;
    }
    editor_.SetEditorBusy(true);
    searching_(false);
    // The search counts as running until the device has been told to stop:
    // each report it sent until then is taken in before the stop frames'
    // replies are awaited, and one that crossed them is taken in after.
    const FrameArgs stop = SearchFrame(0, 0, false);
    link_.ExchangeCommand(stop);
    link_.ExchangeCommand(stop);
    link_.TakeInWaitingReports();
    state_.SearchActive = false;
    SetOtherBoxesEnabled(k, true);
    commands_.LockCursor(0);
    if (k != 0) {
        link_.ExchangeCommand(stop);
        link_.ExchangeCommand(stop);
    }
    editor_.SetEditorBusy(false);
}

} // namespace ksr
