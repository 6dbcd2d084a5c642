#pragma once
// The simulator states the benchmarks start from.

#include "sim/SimDevice.h"

#include <QByteArray>

namespace ksr::bench {

// A device state with all sixteen user slots used, named Slot1 .. Slot16.
inline QByteArray FullDeviceState()
{
    sim::SimDevice device;
    for (int n = 0; n < sim::UserSlots; ++n) {
        device.SetMemoryByte(sim::UsedMarkerBase + n, sim::UsedMarker);
        const sim::Name name = sim::CentredName(QByteArray("Slot") + QByteArray::number(n + 1));
        for (int i = 0; i < sim::NameBytes; ++i)
            device.SetMemoryByte(sim::SlotNameAddress(n) + i, name[static_cast<std::size_t>(i)]);
    }
    return device.SaveState();
}

// The simulator's default device with only slot 0 (entry 05) used.
inline QByteArray OneSlotState()
{
    sim::SimDevice device;
    for (int n = 1; n < sim::UserSlots; ++n)
        device.SetMemoryByte(sim::UsedMarkerBase + n, 0x00);
    return device.SaveState();
}

// The one-slot device whose current settings give the longest search before
// it goes quiet: twelve automatic notches a channel, variable attenuation
// (each notch deepened to -30 dB, nine reports a notch).
inline QByteArray LongSearchState()
{
    sim::SimDevice device;
    device.LoadState(OneSlotState());
    sim::Preset settings = device.CurrentSettings();
    for (int c = 0; c < 2; ++c) {
        settings[static_cast<std::size_t>(ChannelBytes * c + 76)] = FiltersPerChannel; // automatic count
        settings[static_cast<std::size_t>(ChannelBytes * c + 78)] = 1;                 // variable attenuation
    }
    device.SetCurrentSettings(settings);
    return device.SaveState();
}

} // namespace ksr::bench
