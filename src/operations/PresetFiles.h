#pragma once
// Preset files on the PC: the dialogs, reading and writing the files, and
// showing a loaded preset. The format itself is core/PresetFile.

#include "core/UserDialogs.h"
#include "core/EditorControls.h"
#include "operations/ParameterSending.h"

namespace ksr {

class CurveRedraw;

inline constexpr const char *PresetFileFilter = "file preset (*.Fbk)";
// What a saved preset's name ends with when it was typed without an extension.
inline constexpr const char *PresetFileSuffix = "Fbk";

// The folder both file dialogs open: "Preset" or "preset" under the start
// folder, whichever exists; "Preset" when neither or both do.
QString PresetFolder(const QString &startDirectory);

class PresetFiles {
public:
    PresetFiles(AppState &state, EditorControls &controls, ParameterSender &sender, CurveRedraw &graph,
                UserDialogs &dialogs);

    // Reads a chosen file into PresetImage, shows it and sends all of it.
    void LoadPresetFromPc();
    // Takes the image of a loaded file into PresetImage, shows it and sends
    // all of it; Label8 shows the file's name.
    void ShowLoadedPreset(const PresetImageArray &image, const QString &fileName);
    // Writes PresetImage to a chosen file, ".Fbk" added to a name without
    // extension; the file is replaced only once the new one is complete, and
    // a failure is reported.
    void SavePresetToPc();

private:
    void ShowError(const QString &text);

    AppState &state_;
    EditorControls &controls_;
    ParameterSender &sender_;
    CurveRedraw &graph_;
    UserDialogs &dialogs_;
};

} // namespace ksr
