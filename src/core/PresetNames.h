#pragma once
// Preset names as the device stores them: centred in exactly 8 characters,
// one Windows-1252 byte a character.

#include <QString>

#include <array>
#include <cstdint>

namespace ksr {

// Centres `name` in 8 characters, the odd space on the left; a name of 8
// characters or more is returned unchanged.
QString PadPresetName(const QString &name);
// The 8 bytes the device stores for `name`: its first 8 characters once
// padded; a character without a Windows-1252 code becomes "?".
std::array<std::uint8_t, 8> NameBytes(const QString &name);
// A stored name as the program's own lists show it: without the spaces that
// centre it (the name itself stays as stored).
QString UnpaddedPresetName(const QString &name);
// Why `name` cannot be stored: the first character it holds that a preset
// name cannot (the device keeps Windows-1252 characters only), named with its
// code; empty when every character can be stored.
QString PresetNameRefusal(const QString &name);

} // namespace ksr
