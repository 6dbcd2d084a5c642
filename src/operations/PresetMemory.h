#pragma once
// The device's preset directory and current settings: read once at start-up
// from the device (the memory dump), or filled with the flat preset in demo
// mode; and the preset title the editor shows.

#include "link/SerialLink.h"
#include "core/UserDialogs.h"
#include "core/EditorControls.h"
#include "operations/ParameterSending.h"
#include "operations/DumpDisplay.h"
#include "operations/MemoryReads.h"

#include <array>
#include <functional>

namespace ksr {

class CurveRedraw;

inline const QString EmptyPresetName = QStringLiteral(" Empty  ");
inline const QString FlatPresetName = QStringLiteral("  Flat  ");

class PresetMemory {
public:
    PresetMemory(AppState &state, SerialLink &link, EditorControls &controls, ParameterSender &sender,
                 CurveRedraw &graph, DumpDisplay &display, UserDialogs &dialogs);

    // Reads the directory and the current settings into the editor; in demo
    // mode only restores the pointer and redraws both curves.
    void DumpDeviceMemory();
    // Demo mode: flat preset, empty user slots, the demo caption.
    void FillDemoPresets();
    // Shows PresetTitle in the editor's Label8.
    void ShowPresetTitle();

private:
    // Takes the current settings into PresetImage; without them (the block
    // could not be read) the editor gets the flat preset and the user is told.
    void TakeCurrentSettings(const std::optional<BlockArray> &block);
    void FillEditorSuppressed();
    void SendSettingsAfterDump();
    void FinishFill();

    AppState &state_;
    SerialLink &link_;
    EditorControls &controls_;
    ParameterSender &sender_;
    CurveRedraw &graph_;
    DumpDisplay &display_;
    UserDialogs &dialogs_;
};

} // namespace ksr
