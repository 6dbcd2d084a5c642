#pragma once
// The one state object of the program: the run-time flags and the preset
// directory (the values of both channels are PresetModel's, the serial link
// keeps its own buffers and port). Created in main() and shared by
// reference; plain data without behaviour.

#include "core/Tables.h"

#include <QString>

#include <array>
#include <cstdint>

namespace ksr {

using PresetImageArray = std::array<std::uint8_t, PresetImageBytes>;

// Slots of ChannelSettings: element index = 2 * slot + channel.
enum SettingSlot : int {
    AutoCountSlot = 0,
    AutoQSlot = 2,
    AttenuationModeSlot = 3,
    SensitivitySlot = 4,
    SearchModeSlot = 5,
    ReleaseModeSlot = 6,
};
constexpr std::size_t SettingIndex(SettingSlot slot, int channel)
{
    return static_cast<std::size_t>(2 * slot + channel);
}

inline constexpr int TxFrameBytes = 10;
inline constexpr int RxBufferBytes = 209;
inline constexpr int DirectoryEntries = 20;

struct AppState {
    // Run-time flags.
    bool DemoMode = false;
    bool SendSuppressed = false;
    bool UpdatingControls = false;
    bool SearchActive = false;
    bool ChannelsDiffer = false;
    bool ExitRequested = false;
    bool ExitWithoutConfirm = false;
    // Set once the program has been told to end: from then on nothing more is
    // sent or read, whatever the caller that was running goes on to do.
    bool ProgramEnding = false;
    // Set when the device stopped answering ("Time out") or its port failed
    // and the program stays offline: nothing is sent until it is found again.
    bool DeviceLost = false;

    // Preset directory: entries 0..3 fixed, 4..19 user slots.
    std::array<bool, DirectoryEntries> PresetUsed{};
    std::array<QString, DirectoryEntries> PresetNames{};
    QString CurrentPresetName;
    QString PresetTitle;

    // Start-up.
    QString StartDirectory;
};

// Whether the operation under way must stop: the program is ending or the
// device is lost, so nothing more can be sent or read.
inline bool DeviceGone(const AppState &state)
{
    return state.ProgramEnding || state.DeviceLost;
}

// Raises a flag of AppState for its lifetime and puts back what it was on
// every way out, so that a nested raise leaves the outer one standing.
class FlagRaised {
public:
    explicit FlagRaised(bool &flag) : flag_(flag), before_(flag) { flag_ = true; }
    ~FlagRaised() { flag_ = before_; }
    FlagRaised(const FlagRaised &) = delete;
    FlagRaised &operator=(const FlagRaised &) = delete;

private:
    bool &flag_;
    bool before_;
};

// UpdatingControls raised: the value-change handlers ignore what the program
// sets itself.
class ControlsUpdate : FlagRaised {
public:
    explicit ControlsUpdate(AppState &state) : FlagRaised(state.UpdatingControls) {}
};

// SendSuppressed raised: the senders bring the model up to date and send nothing.
class SendingSuppressed : FlagRaised {
public:
    explicit SendingSuppressed(AppState &state) : FlagRaised(state.SendSuppressed) {}
};

} // namespace ksr
