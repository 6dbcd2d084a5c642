#pragma once
// Editing the automatic-search settings of each channel: the five scroll
// bars, the sensitivity slider and the typed sensitivity. Each change is
// stored and shown even while the program sets the controls itself, and
// sent (then repeated on the other channel when linked) only for the user's,
// as one step of the edit history.

#include "core/UserDialogs.h"
#include "core/EditorControls.h"
#include "operations/EditHistory.h"
#include "operations/ParameterSending.h"
#include "core/State.h"

namespace ksr {

class FrmEq;

class AutoSettingsEditing {
public:
    AutoSettingsEditing(AppState &state, FrmEq &editor, ParameterSender &sender, EditHistory &history,
                        UserDialogs &dialogs);

    // HScroll1..HScroll5 and Slider1 of channel c moved to `value`.
    void SettingChanged(SettingControl control, int c, int value);
    // Returns the key to use: the key itself, or "?" after a warning.
    int Text4_KeyPress(int c, int key);

private:
    void Send(SettingControl control, int c);

    AppState &state_;
    FrmEq &editor_;
    ParameterSender &sender_;
    EditHistory &history_;
    UserDialogs &dialogs_;
};

} // namespace ksr
