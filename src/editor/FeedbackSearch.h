#pragma once
// The three "Search Feedback" boxes: ticking one starts the device's search
// on L&R, L or R and locks the editor; clearing it stops the search. The
// journal has a row where each search starts and where it stops (after the
// last report the device sent for it).

#include "editor/EditorCommands.h"
#include "link/SerialLink.h"
#include "core/State.h"
#include "operations/PresetModel.h"
#include "operations/RingOutJournal.h"

#include <functional>

namespace ksr {

class FrmEq;

class FeedbackSearch {
public:
    // `searching` is told when the search starts and stops, so that the
    // main loop polls the device's reports only while it runs.
    FeedbackSearch(AppState &state, const PresetModel &model, FrmEq &editor, SerialLink &link,
                   EditorCommands &commands, RingOutJournal &journal, std::function<void(bool)> searching);

    // Box k (0 L&R, 1 L, 2 R) ticked or cleared.
    void Check1_Click(int k, bool ticked);

private:
    void SetOtherBoxesEnabled(int k, bool enabled);

    AppState &state_;
    const PresetModel &model_;
    FrmEq &editor_;
    SerialLink &link_;
    EditorCommands &commands_;
    RingOutJournal &journal_;
    std::function<void(bool)> searching_;
};

} // namespace ksr
