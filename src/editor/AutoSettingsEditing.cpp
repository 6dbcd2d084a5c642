#include "editor/AutoSettingsEditing.h"

#include "editor/FrmEq.h"
#include "editor/KeyPress.h"
#include "editor/NotchRowEditing.h"
#include "core/Encodings.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>

#include <algorithm>

namespace ksr {

AutoSettingsEditing::AutoSettingsEditing(AppState &state, FrmEq &editor, ParameterSender &sender,
                                         EditHistory &history, UserDialogs &dialogs)
    : state_(state), editor_(editor), sender_(sender), history_(history), dialogs_(dialogs)
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

void AutoSettingsEditing::Send(SettingControl control, int c)
{
    switch (control) {
    case SettingControl::HScroll1:
        sender_.SendAutoCount(c);
        break;
    case SettingControl::HScroll2:
        sender_.SendAutoQ(c);
        break;
    case SettingControl::HScroll3:
        sender_.SendAttenuationMode(c);
        break;
    case SettingControl::HScroll4:
        sender_.SendReleaseMode(c);
        break;
    case SettingControl::HScroll5:
        sender_.SendSearchMode(c);
        break;
    case SettingControl::Slider1:
        sender_.SendSensitivity(c);
        break;
    }
}

void AutoSettingsEditing::SettingChanged(SettingControl control, int c, int value)
{
    if (state_.UpdatingControls) {
        StoreSettingPosition(state_, editor_, control, c, value);
        return;
    }
    const EditStepScope step(history_);
    StoreSettingPosition(state_, editor_, control, c, value);
    // A width goes to the channel's own automatic rows in SendAutoQ, for
    // the edited channel and for its partner alike.
    Send(control, c);
    if (state_.LinkFlag == 0)
        return;

    const int p = 1 - c;
    {
        const ControlsUpdate updating(state_);
        editor_.SetSettingValue(control, p, value);
        if (control == SettingControl::Slider1)
            editor_.SetSettingText(control, p, SettingShownText(control, value));
    }
    Send(control, p);
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
    const EditStepScope step(history_);
    const int sensitivity = NearestSensitivity(std::clamp(*typed, 1.0, 16.0));
    // The slider follows as a programmatic change, so that the entry sends
    // the sensitivity exactly once per channel.
    {
        const ControlsUpdate updating(state_);
        editor_.SetSettingValue(SettingControl::Slider1, c, sensitivity - 1);
    }
    StoreSettingPosition(state_, editor_, SettingControl::Slider1, c, sensitivity - 1);
    sender_.SendSensitivity(c);
    if (state_.LinkFlag != 0) {
        const int p = 1 - c;
        {
            const ControlsUpdate updating(state_);
            editor_.SetSettingValue(SettingControl::Slider1, p, sensitivity - 1);
            editor_.SetSettingText(SettingControl::Slider1, p,
                                   SettingShownText(SettingControl::Slider1, sensitivity - 1));
        }
        sender_.SendSensitivity(p);
    }
    return key;
}

} // namespace ksr
