#pragma once
// The device's 4096-byte memory: where the user presets, their names and
// used markers and the current settings' name live, and its default content.

#include "sim/Preset.h"

#include <QByteArrayView>

#include <array>
#include <cstdint>

namespace ksr::sim {

inline constexpr int MemoryBytes = 4096;
using Memory = std::array<std::uint8_t, MemoryBytes>;

inline constexpr int UserSlots = 16;
inline constexpr int NameBytes = 8;
inline constexpr int UsedMarkerBase = 0x0030;    // + slot
inline constexpr std::uint8_t UsedMarker = 0x55; // anything else: empty
inline constexpr int CurrentNameAddress = 0x0070;
inline constexpr int SlotPresetBase = 0x0120;    // + 160 * slot
inline constexpr int SlotNameBase = 0x0F20;      // + 8 * slot
inline constexpr std::uint8_t UnusedByte = 0xFF;

constexpr int SlotPresetAddress(int slot) { return SlotPresetBase + PresetBytes * slot; }
constexpr int SlotNameAddress(int slot) { return SlotNameBase + NameBytes * slot; }

using Name = std::array<std::uint8_t, NameBytes>;

// `name` (at most 8 bytes) centred with spaces to exactly 8; when the padding
// is odd the extra space goes on the left.
Name CentredName(QByteArrayView name);

// Slots 0, 1, 4 and 9 used with presets of their own, the rest empty; the
// current name is fixed preset 0's.
Memory DefaultMemory();

} // namespace ksr::sim
