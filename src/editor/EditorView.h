#pragma once
// The editor and the curves as views of the model: each change the model
// tells is shown on the controls it names, as the program's own change (no
// handler acts), and redrawn on the curves of the filters it changed.

#include "core/State.h"
#include "operations/PresetModel.h"

namespace ksr {

class FrmEq;
class ResponseGraph;

class EditorView {
public:
    EditorView(AppState &state, const PresetModel &model, FrmEq &editor, ResponseGraph &graph);

    // Filter f's row as the model holds it, its texts included.
    void ShowNotch(int f);
    // Channel c's settings as the model holds them.
    void ShowSettings(int c);
    // The link box as the model holds the link.
    void ShowLink();

private:
    void ModelChanged(const PresetChange &change);
    void ShowNotchFields(int f, bool gain, bool frequency, bool width);
    void ShowSetting(SettingControl control, int c);
    void ShowRowsEnabled(int c);

    AppState &state_;
    const PresetModel &model_;
    FrmEq &editor_;
    ResponseGraph &graph_;
};

} // namespace ksr
