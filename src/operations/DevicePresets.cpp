#include "operations/DevicePresets.h"

#include "core/Protocol.h"
#include "operations/MemoryReads.h"
#include "operations/PresetMemory.h"
#include "core/PresetNames.h"

#include <algorithm>

namespace ksr {

namespace {

const QString FromDeviceText = QStringLiteral("Preset loaded from Device");

} // namespace

DevicePresets::DevicePresets(AppState &state, SerialLink &link, PresetModel &model, UserDialogs &dialogs)
    : state_(state), link_(link), model_(model), dialogs_(dialogs)
{
}

void DevicePresets::ReadDevicePreset(int e)
{
    if (e < 0 || e >= DirectoryEntries)
        return;
    PresetImageArray image = model_.Image();
    if (!state_.DemoMode) {
        // A block that stray bytes touched is read again, and refused when
        // it cannot be read soundly.
        const std::optional<BlockArray> block =
            ReadPresetBlockSoundly(state_, link_, static_cast<std::uint8_t>(e), ReadCheck::Sound);
        if (!block) {
            // Told after "Time out" too: the editor keeps what it shows.
            if (!state_.ProgramEnding)
                dialogs_.ShowMessage({QStringLiteral("The preset could not be read from the device; the editor "
                                                     "keeps its settings."),
                                      QStringLiteral("Read Preset"), MessageIcon::Exclamation});
            return;
        }
        std::copy(block->begin(), block->end(), image.begin());
    }
    // The device loaded the preset itself: nothing to send back.
    const PresetModel::Batch batch(model_, ChangeOrigin::DevicePreset);
    model_.LoadPreset(image, ChangeOrigin::DevicePreset);
    state_.PresetTitle = QStringLiteral("%1: %2").arg(e + 1).arg(state_.PresetNames[static_cast<std::size_t>(e)]);
    model_.SetCaptions(FromDeviceText, state_.PresetTitle, ChangeOrigin::DevicePreset);
}

void DevicePresets::WriteMemoryByte(int address, std::uint8_t value)
{
    link_.ExchangeCommand(WriteByteFrame(address, value));
}

bool DevicePresets::StorePreset(int t, const QString &name, const std::function<void()> &progress)
{
    if (!WritePresetSlot(t, model_.Image(), name, [&progress] {
            progress();
            return true;
        }))
        return false;
    const auto entry = static_cast<std::size_t>(t + FixedPresetCount);
    state_.PresetTitle = QStringLiteral("%1: %2").arg(t + FixedPresetCount + 1).arg(state_.PresetNames[entry]);
    model_.SetCaptions(FromDeviceText, state_.PresetTitle, ChangeOrigin::DeviceStore);
    return true;
}

bool DevicePresets::WritePresetSlot(int t, const PresetImageArray &image, const QString &name,
                                    const std::function<bool()> &progress)
{
    if (t < 0 || t >= UserSlotCount)
        return false;
    const auto nameBytes = NameBytes(name);
    const auto entry = static_cast<std::size_t>(t + FixedPresetCount);
    // The slot is marked empty first and used last, so that a store cut
    // short never leaves a mix of new and old data that looks whole.
    MarkSlotEmpty(t);
    if (DeviceGone(state_))
        return false;
    for (int m = 0; m < PresetBytes; ++m) {
        WriteMemoryByte(SlotPresetAddress + PresetBytes * t + m, image[static_cast<std::size_t>(m)]);
        if (!progress() || DeviceGone(state_))
            return false;
    }
    for (int i = 0; i < NameLength; ++i) {
        WriteMemoryByte(SlotNameAddress + NameLength * t + i, nameBytes[static_cast<std::size_t>(i)]);
        if (!progress() || DeviceGone(state_))
            return false;
    }
    WriteMemoryByte(UsedMarkerAddress + t, UsedMarker);
    // A device lost at the last write may not have taken the marker.
    if (DeviceGone(state_))
        return false;
    state_.PresetUsed[entry] = true;
    state_.PresetNames[entry] = name;
    return true;
}

void DevicePresets::MarkSlotEmpty(int t)
{
    if (t < 0 || t >= UserSlotCount)
        return;
    WriteMemoryByte(UsedMarkerAddress + t, EmptyMarker);
    const auto entry = static_cast<std::size_t>(t + FixedPresetCount);
    state_.PresetUsed[entry] = false;
    state_.PresetNames[entry] = EmptyPresetName;
}

} // namespace ksr
