#pragma once
// Editing the automatic-search settings of each channel: the five scroll
// bars, the sensitivity slider and the typed sensitivity, each turned into a
// change of the model that is sent at once (and repeated on the other
// channel when linked).

#include "core/State.h"
#include "core/UserDialogs.h"
#include "operations/ParameterEditing.h"

namespace ksr {

class FrmEq;
class EditorView;

class AutoSettingsEditing {
public:
    AutoSettingsEditing(AppState &state, FrmEq &editor, ParameterEditing &editing, EditorView &view,
                        UserDialogs &dialogs);

    // HScroll1..HScroll5 and Slider1 of channel c moved to `value`.
    void SettingChanged(SettingControl control, int c, int value);
    // Returns the key to use: the key itself, or "?" after a warning.
    int Text4_KeyPress(int c, int key);

private:
    AppState &state_;
    FrmEq &editor_;
    ParameterEditing &editing_;
    EditorView &view_;
    UserDialogs &dialogs_;
};

} // namespace ksr
