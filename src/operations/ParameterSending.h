#pragma once
// One send operation per parameter: it reads the editor control, brings the
// texts, ChannelSettings, the per-filter mirrors and PresetImage up to date
// and sends the parameter to the device (nothing goes out in demo mode or
// while sending is suppressed).

#include "link/SerialLink.h"
#include "core/AutoSettingFields.h"
#include "core/EditorControls.h"
#include "core/State.h"

#include <functional>

namespace ksr {

class ParameterSender {
public:
    ParameterSender(AppState &state, SerialLink &link, EditorControls &controls);

    // Told the channel whose automatic filters SendAutoQ gave a new width,
    // so that its curve is redrawn.
    void SetAutoWidthsChanged(std::function<void(int c)> changed) { autoWidthsChanged_ = std::move(changed); }

    // Filter f (0..23): gain, frequency and width of its row.
    void SendNotchFilter(int f);
    // Channel c (0 Left, 1 Right).
    void SendReleaseMode(int c);
    void SendSearchMode(int c);
    void SendAutoCount(int c);
    void SendAutoQ(int c);
    void SendAttenuationMode(int c);
    void SendSensitivity(int c);
    // Enables the manual rows of channel c and disables its automatic ones.
    void UpdateFilterRowsEnabled(int c);
    // Gives channel c's automatic rows its automatic width, as the device
    // does itself when the width is sent: in the model and on the rows (the
    // curves are the caller's to redraw).
    void ApplyAutoWidth(int c);
    // The frame of channel c's release and search modes, as PresetImage holds them.
    void SendSearchModes(int c);
    // The frame of channel c's count, width, attenuation and sensitivity.
    void SendAutoSearch(int c);

private:
    // Stores and shows channel c's setting as its control stands.
    void StoreSetting(SettingControl control, int c);

    AppState &state_;
    SerialLink &link_;
    EditorControls &controls_;
    std::function<void(int)> autoWidthsChanged_;
};

// The width text of a width index.
QString WidthTextOf(int index);

// Stores channel c's setting at control position `position` in
// ChannelSettings and PresetImage and shows its text.
void StoreSettingPosition(AppState &state, EditorControls &controls, SettingControl control, int c, int position);
// Sets channel `target`'s setting controls to the values stored for channel
// `source`, as the program's own change.
void ShowStoredSettings(AppState &state, EditorControls &controls, int source, int target);

} // namespace ksr
