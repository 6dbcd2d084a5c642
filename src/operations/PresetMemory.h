#pragma once
// The device's preset directory and current settings: read once at start-up
// from the device (the memory dump), or filled with the flat preset in demo
// mode.

#include "link/SerialLink.h"
#include "core/UserDialogs.h"
#include "operations/DumpDisplay.h"
#include "operations/MemoryReads.h"
#include "operations/PresetModel.h"

#include <array>
#include <functional>

namespace ksr {

inline const QString EmptyPresetName = QStringLiteral(" Empty  ");
inline const QString FlatPresetName = QStringLiteral("  Flat  ");

class PresetMemory {
public:
    PresetMemory(AppState &state, SerialLink &link, PresetModel &model, DumpDisplay &display, UserDialogs &dialogs);

    // Reads the directory and the current settings into the model; in demo
    // mode only restores the pointer.
    void DumpDeviceMemory();
    // The device found again: the directory and the current name read as at
    // start-up, and the device's current settings returned, not taken into
    // the model; none when they could not be read.
    std::optional<PresetImageArray> DumpOnReturn();
    // The editor shows the flat preset: no settings of the device were read.
    void FillFlatPreset();
    // Demo mode: flat preset, empty user slots, the demo caption.
    void FillDemoPresets();

private:
    // Takes the current settings into the model; without them (the block
    // could not be read) the editor gets the flat preset and the user is told.
    void TakeCurrentSettings(const std::optional<BlockArray> &block);
    // The model takes `image` as the device's current settings, unlinked.
    void FillEditor(const PresetImageArray &image);
    // The directory and the current name into the state, and the current
    // settings' block into `block` when it could be read; false when the
    // directory could not be read or the device was lost.
    bool ReadDirectoryAndBlock(std::optional<BlockArray> *block);
    // The three automatic-search frames of `image`'s settings, search off.
    void SendSettingsAfterDump(const PresetImageArray &image);
    void FinishFill();

    AppState &state_;
    SerialLink &link_;
    PresetModel &model_;
    DumpDisplay &display_;
    UserDialogs &dialogs_;
};

} // namespace ksr
