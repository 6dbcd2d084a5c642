#pragma once
// The editor window's own commands: the four reset buttons with their
// question, keeping the found notches, and the cursor lock that disables
// editing during a search.

#include "core/UserDialogs.h"
#include "operations/ChannelOperations.h"
#include "operations/EditHistory.h"
#include "core/State.h"

#include <QList>

class QWidget;

namespace ksr {

class FrmEq;

class EditorCommands {
public:
    EditorCommands(const PresetModel &model, FrmEq &editor, ChannelOperations &channels, EditHistory &history,
                   UserDialogs &dialogs);

    // Reset button i: 0, 1 automatic notches of Left, Right; 2, 3 manual
    // ones; one step of the edit history.
    void Command1_Click(int i);
    // "Keep found notches" of channel c.
    void KeepFound_Click(int c);
    // Nonzero locks, 0 unlocks: the setting controls, the manual-filter
    // frames, the reset buttons, the link box and `outside` (the main
    // window's preset and copy buttons).
    void LockCursor(int FlagLock);

    QList<QWidget *> outside;

private:
    const PresetModel &model_;
    FrmEq &editor_;
    ChannelOperations &channels_;
    EditHistory &history_;
    UserDialogs &dialogs_;
};

} // namespace ksr
