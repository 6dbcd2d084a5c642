#include "sim/DeviceMemory.h"

#include "sim/FixedPresets.h"

#include <algorithm>

namespace ksr::sim {

namespace {

struct UserPreset {
    int slot;
    const char *name;
    Preset image;
};

Preset Hall()
{
    Preset p = FlatPresetImage;
    for (int c = 0; c < 2; ++c) {
        SetNotch(p, c, 0, 30, 150, 2);
        SetNotch(p, c, 1, 35, 290, 1);
        SetSearch(p, c, {10, 2, 1, 7, 0, 0});
    }
    return p;
}

Preset Stage()
{
    Preset p = FlatPresetImage;
    for (int c = 0; c < 2; ++c) {
        SetNotch(p, c, 0, 24, 390, 0);
        SetNotch(p, c, 1, 31, 455, 0);
        SetNotch(p, c, 2, 38, 520, 1);
        SetSearch(p, c, {12, 0, 0, 12, 1, 1});
    }
    return p;
}

Preset Chapel()
{
    Preset p = FlatPresetImage;
    SetNotch(p, 0, 3, 40, 120, 3);
    SetNotch(p, 1, 3, 40, 125, 3);
    for (int c = 0; c < 2; ++c)
        SetSearch(p, c, {8, 3, 1, 3, 0, 1});
    return p;
}

Preset Gym()
{
    Preset p = FlatPresetImage;
    SetNotch(p, 0, 0, 15, 700, 1);
    SetSearch(p, 0, {4, 1, 0, 14, 1, 0});
    SetSearch(p, 1, {5, 1, 0, 13, 1, 0});
    return p;
}

void Put(Memory &m, int address, const auto &bytes)
{
    std::copy(bytes.begin(), bytes.end(), m.begin() + address);
}

} // namespace

Name CentredName(QByteArrayView name)
{
    Name out;
    out.fill(' ');
    const auto length = std::min<qsizetype>(name.size(), NameBytes);
    const auto left = (NameBytes - length + 1) / 2;
    for (qsizetype i = 0; i < length; ++i)
        out[static_cast<std::size_t>(left + i)] = static_cast<std::uint8_t>(name[i]);
    return out;
}

Memory DefaultMemory()
{
    Memory m;
    m.fill(UnusedByte);
    const std::array<UserPreset, 4> used = {{
        {0, "Hall", Hall()},
        {1, "Stage", Stage()},
        {4, "Chapel", Chapel()},
        {9, "Gym", Gym()},
    }};
    for (int slot = 0; slot < UserSlots; ++slot) {
        m[static_cast<std::size_t>(UsedMarkerBase + slot)] = 0x00;
        Put(m, SlotPresetAddress(slot), FlatPresetImage);
        Put(m, SlotNameAddress(slot), CentredName(DefaultPresetNames[static_cast<std::size_t>(slot)].toLatin1()));
    }
    for (const UserPreset &u : used) {
        m[static_cast<std::size_t>(UsedMarkerBase + u.slot)] = UsedMarker;
        Put(m, SlotPresetAddress(u.slot), u.image);
        Put(m, SlotNameAddress(u.slot), CentredName(u.name));
    }
    Put(m, CurrentNameAddress, CentredName(FixedPresetName(0)));
    return m;
}

} // namespace ksr::sim
