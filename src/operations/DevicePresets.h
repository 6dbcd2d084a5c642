#pragma once
// Reading one of the device's twenty presets into the editor, and storing
// the editor's preset into one of its sixteen user slots.

#include "link/SerialLink.h"
#include "core/UserDialogs.h"
#include "operations/PresetModel.h"

#include <functional>

namespace ksr {

// A store writes the marker "empty", 160 data bytes, 8 name bytes and the
// marker "used".
inline constexpr int StoreExchanges = 1 + PresetBytes + 8 + 1;

class DevicePresets {
public:
    DevicePresets(AppState &state, SerialLink &link, PresetModel &model, UserDialogs &dialogs);

    // Reads directory entry e (0..19) with one block read and shows it;
    // nothing is sent back. In demo mode the image stays as it is. When the
    // block cannot be read, the editor stays as it was and the user is told.
    void ReadDevicePreset(int e);
    // Stores the model's image and `name` into user slot t (0..15), the used
    // marker last; `progress` is told after each data and name byte.
    // False, writing nothing, for a slot outside 0..15.
    bool StorePreset(int t, const QString &name, const std::function<void()> &progress);
    // Writes `image` and `name` into user slot t (0..15) as a store does,
    // leaving the editor as it is; `progress` is asked after each data and
    // name byte, and a false from it stops the write with the slot marked
    // empty. False when stopped so, or for a slot outside 0..15.
    bool WritePresetSlot(int t, const PresetImageArray &image, const QString &name,
                         const std::function<bool()> &progress);
    // Marks user slot t (0..15) empty.
    void MarkSlotEmpty(int t);

private:
    void WriteMemoryByte(int address, std::uint8_t value);

    AppState &state_;
    SerialLink &link_;
    PresetModel &model_;
    UserDialogs &dialogs_;
};

} // namespace ksr
