// What the device does with each received frame and what it answers.
#include "sim/SimDevice.h"

#include "sim/Bytes.h"
#include "sim/FixedPresets.h"

#include <algorithm>

namespace ksr::sim {

namespace {

int Address(const Frame &frame)
{
    return frame[3] * 256 + frame[4];
}

} // namespace

void SimDevice::Handle(const Frame &frame, double now)
{
    received_.push_back(frame);
    const std::uint8_t code = frame[2];
    // The answer is the frame itself unless the command says otherwise.
    Frame reply = frame;
    switch (code) {
    case NotificationAck:
        search_.Acknowledged(now);
        return;
    case ReadPresetCommand:
        Answer(frame, PresetBlock(frame[3]), true, now);
        return;
    case ProbeCommand:
        reply[3] = FrameMarker;
        break;
    case NotchFilterCommand:
        HandleNotch(frame);
        break;
    case AutoSearchCommand:
        HandleAutoSearch(frame, now);
        break;
    case ReadByteCommand:
        reply[6] = MemoryByte(Address(frame));
        break;
    case WriteByteCommand:
        if (Address(frame) != faults_.lostWriteAddress)
            SetMemoryByte(Address(frame), frame[6]);
        break;
    case SearchModesCommand:
        HandleSearchModes(frame);
        break;
    default: // exit and unknown codes: the echo
        break;
    }
    Answer(frame, ToBytes(reply), false, now);
}

void SimDevice::HandleNotch(const Frame &frame)
{
    const int channel = frame[3];
    const int filter = frame[4];
    if (channel > 1 || filter >= FiltersPerChannel)
        return;
    const std::size_t o = NotchAt(channel, filter);
    StoreCurrent(o, frame[8]);     // gain step
    StoreCurrent(o + 1, frame[5]); // frequency index, high byte
    StoreCurrent(o + 2, frame[6]); // low byte
    StoreCurrent(o + 3, frame[7]); // width index
}

void SimDevice::HandleSearchModes(const Frame &frame)
{
    const int channel = frame[3];
    if (channel > 1)
        return;
    const auto c = static_cast<std::size_t>(channel);
    StoreCurrent(static_cast<std::size_t>(ReleaseOffset[c]), frame[6]);
    StoreCurrent(static_cast<std::size_t>(SearchModeOffset[c]), frame[7]);
}

QByteArray SimDevice::PresetBlock(std::uint8_t selector)
{
    if (selector < FixedPresetCount) {
        SetCurrentSettings(FixedPreset(selector));
        const QByteArray name = FixedPresetName(selector);
        for (int i = 0; i < NameBytes; ++i)
            SetMemoryByte(CurrentNameAddress + i, static_cast<std::uint8_t>(name[i]));
    } else if (selector < DirectoryEntries) {
        const int slot = selector - FixedPresetCount;
        Preset preset;
        for (int i = 0; i < PresetBytes; ++i)
            preset[static_cast<std::size_t>(i)] = MemoryByte(SlotPresetAddress(slot) + i);
        SetCurrentSettings(preset);
        for (int i = 0; i < NameBytes; ++i)
            SetMemoryByte(CurrentNameAddress + i, MemoryByte(SlotNameAddress(slot) + i));
    }
    // 0xFF, and any selector the device does not know: the current settings.
    return ToBytes(current_);
}

} // namespace ksr::sim
