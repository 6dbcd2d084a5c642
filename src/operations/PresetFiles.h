#pragma once
// Preset files on the PC: the dialogs, reading and writing the files, and
// showing a loaded preset. The format itself is core/PresetFile.

#include "core/UserDialogs.h"
#include "operations/ParameterSending.h"
#include "operations/PresetModel.h"

#include <functional>

namespace ksr {

inline constexpr const char *PresetFileFilter = "file preset (*.Fbk)";
// What a saved preset's name ends with when it was typed without an extension.
inline constexpr const char *PresetFileSuffix = "Fbk";

// The folder both file dialogs open: "Preset" or "preset" under the start
// folder, whichever exists; "Preset" when neither or both do.
QString PresetFolder(const QString &startDirectory);

class PresetFiles {
public:
    PresetFiles(AppState &state, PresetModel &model, ParameterSender &sender, UserDialogs &dialogs);

    // Shows the editor busy (true) or not, while a loaded preset is sent.
    void SetBusy(std::function<void(bool)> busy) { busy_ = std::move(busy); }

    // Reads a chosen file into the model and sends all of it.
    void LoadPresetFromPc();
    // Takes the image of a loaded file into the model and sends all of it;
    // the preset is named by the file's name.
    void ShowLoadedPreset(const PresetImageArray &image, const QString &fileName);
    // Writes the model's image to a chosen file, ".Fbk" added to a name without
    // extension; the file is replaced only once the new one is complete, and
    // a failure is reported.
    void SavePresetToPc();

private:
    void ShowError(const QString &text);

    AppState &state_;
    PresetModel &model_;
    ParameterSender &sender_;
    std::function<void(bool)> busy_;
    UserDialogs &dialogs_;
};

} // namespace ksr
