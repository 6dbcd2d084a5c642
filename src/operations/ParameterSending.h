#pragma once
// One send operation per parameter: it sends the parameter as the model of
// both channels holds it (nothing goes out in demo mode or while sending is
// suppressed).

#include "link/SerialLink.h"
#include "operations/PresetModel.h"

namespace ksr {

class ParameterSender {
public:
    ParameterSender(SerialLink &link, const PresetModel &model);

    // Filter f (0..23): gain, frequency and width.
    void SendNotchFilter(int f);
    // Channel c (0 Left, 1 Right). The count, width, attenuation and
    // sensitivity share the automatic-search frame; the release and search
    // modes share the mode frame.
    void SendReleaseMode(int c) { SendSearchModes(c); }
    void SendSearchMode(int c) { SendSearchModes(c); }
    void SendAutoCount(int c) { SendAutoSearch(c); }
    void SendAutoQ(int c) { SendAutoSearch(c); }
    void SendAttenuationMode(int c) { SendAutoSearch(c); }
    void SendSensitivity(int c) { SendAutoSearch(c); }
    // The frame that carries channel c's setting `control`.
    void SendSetting(SettingControl control, int c);
    // The frame of channel c's release and search modes.
    void SendSearchModes(int c);
    // The frame of channel c's count, width, attenuation and sensitivity.
    void SendAutoSearch(int c);

private:
    SerialLink &link_;
    const PresetModel &model_;
};

// The width text of a width index.
QString WidthTextOf(int index);

} // namespace ksr
