#pragma once
// The device's preset directory and current settings: read once at start-up
// from the device (the memory dump), or filled with the flat preset in demo
// mode; and the preset title the editor shows.

#include "link/SerialLink.h"
#include "core/UserDialogs.h"
#include "core/EditorControls.h"
#include "operations/ParameterSending.h"
#include "operations/DumpDisplay.h"

#include <array>
#include <functional>

namespace ksr {

class CurveRedraw;

// Device memory map.
inline constexpr int UsedMarkerAddress = 0x0030; // + user slot 0..15
inline constexpr int CurrentNameAddress = 0x0070;
inline constexpr int SlotPresetAddress = 0x0120; // + 160 * user slot
inline constexpr int SlotNameAddress = 0x0F20;   // + 8 * user slot
inline constexpr std::uint8_t UsedMarker = 0x55;
// What a store writes to a slot's marker before its data: "empty".
inline constexpr std::uint8_t EmptyMarker = 0x00;
inline constexpr int NameLength = 8;
inline constexpr int FixedPresetCount = 4;
inline constexpr int UserSlotCount = 16;

inline const QString EmptyPresetName = QStringLiteral(" Empty  ");
inline const QString FlatPresetName = QStringLiteral("  Flat  ");

// The user slots' markers and name bytes as the device keeps them.
struct UserDirectory {
    std::array<bool, UserSlotCount> used{};
    std::array<QByteArray, UserSlotCount> names; // 8 bytes for a used slot, empty otherwise
};

// The byte at `address`, read with one command exchange.
std::uint8_t ReadMemoryByte(AppState &state, SerialLink &link, int address);
// `count` bytes from `address` on, one exchange each; `progress`, when
// given, is told after each byte.
QByteArray ReadMemoryBytes(AppState &state, SerialLink &link, int address, int count,
                           const std::function<void()> &progress = {});
// Whether each user slot is used: its 16 markers, one exchange each.
std::array<bool, UserSlotCount> ReadUsedMarkers(AppState &state, SerialLink &link);
// The 16 markers, then the 8 name bytes of each used slot, as the dump reads them.
UserDirectory ReadUserDirectory(AppState &state, SerialLink &link);

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
    QString ReadName(int address);
    // Reads the current settings into PresetImage; when the block cannot be
    // read the image stays as it was, the user is told and the result is false.
    bool ReadCurrentSettings();
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
