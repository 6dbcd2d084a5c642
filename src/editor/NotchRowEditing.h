#pragma once
// Editing the notch filter rows: the gain, frequency and width scroll bars
// and the typed gain and frequency, each turned into a change of the model
// that is sent at once (the model repeats it on the other channel while
// they are linked; the history makes it one step, the view shows it).

#include "core/State.h"
#include "core/UserDialogs.h"
#include "operations/ParameterEditing.h"

#include <optional>

namespace ksr {

class FrmEq;
class EditorView;

class NotchRowEditing {
public:
    NotchRowEditing(AppState &state, FrmEq &editor, ParameterEditing &editing, EditorView &view,
                    UserDialogs &dialogs);

    void HScroll6_Change(int f, int value);
    void HScroll20_Change(int f, int value);
    void HScroll30_Change(int f, int value);
    // Return the key to use: the key itself, or "?" after a warning.
    int Text1_KeyPress(int f, int key);
    int Text2_KeyPress(int f, int key);

private:
    int RejectKey(const QString &warning);

    AppState &state_;
    FrmEq &editor_;
    ParameterEditing &editing_;
    EditorView &view_;
    UserDialogs &dialogs_;
};

// The whole text read as a whole number, if it is one: digits, with a
// leading minus only where `minusAllowed`.
std::optional<double> BoxNumber(const QString &text, bool minusAllowed);

} // namespace ksr
