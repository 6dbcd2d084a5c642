#include "editor/AutoSettingsEditing.h"

#include "editor/EditorView.h"
#include "editor/FrmEq.h"
#include "editor/KeyPress.h"
#include "editor/NotchRowEditing.h"
#include "core/Encodings.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>

#include <algorithm>

namespace ksr {

AutoSettingsEditing::AutoSettingsEditing(AppState &state, FrmEq &editor, ParameterEditing &editing,
                                         EditorView &view, UserDialogs &dialogs)
    : state_(state), editor_(editor), editing_(editing), view_(view), dialogs_(dialogs)
{
    for (int c = 0; c < 2; ++c) {
        const auto i = static_cast<std::size_t>(c);
        const std::array<std::pair<QAbstractSlider *, SettingControl>, 6> controls = {{
            {editor.HScroll1[i], SettingControl::HScroll1},
            {editor.HScroll2[i], SettingControl::HScroll2},
            {editor.HScroll3[i], SettingControl::HScroll3},
            {editor.HScroll4[i], SettingControl::HScroll4},
            {editor.HScroll5[i], SettingControl::HScroll5},
            {editor.Slider1[i], SettingControl::Slider1},
        }};
        for (const auto &entry : controls) {
            const SettingControl control = entry.second;
            QObject::connect(entry.first, &QAbstractSlider::valueChanged, entry.first,
                             [this, control, c](int v) { SettingChanged(control, c, v); });
        }
        new KeyPressFilter(editor.Text4[i], [this, c](int key) { return Text4_KeyPress(c, key); });
    }
}

void AutoSettingsEditing::SettingChanged(SettingControl control, int c, int value)
{
    if (state_.UpdatingControls)
        return;
    editor_.SetSettingText(control, c, SettingShownText(control, value));
    editing_.EditSetting(control, c, value);
}

int AutoSettingsEditing::Text4_KeyPress(int c, int key)
{
    if (state_.UpdatingControls)
        return key;
    if ((key >= '0' && key <= '9') || key == KeyBackspace)
        return key;
    const std::optional<double> typed = key == KeyEnter ? BoxNumber(editor_.Text4[static_cast<std::size_t>(c)]->text(), false)
                                                        : std::nullopt;
    if (!typed) {
        dialogs_.ShowMessage({QStringLiteral("  Incorrect value"), QStringLiteral("Warning")});
        return KeyQuestionMark;
    }
    const int sensitivity = NearestSensitivity(std::clamp(*typed, 1.0, 16.0));
    editor_.SetSettingText(SettingControl::Slider1, c, SettingShownText(SettingControl::Slider1, sensitivity - 1));
    editing_.EditSetting(SettingControl::Slider1, c, sensitivity - 1);
    // The box shows the sensitivity taken, also where it did not change.
    view_.ShowSettings(c);
    return key;
}

} // namespace ksr
