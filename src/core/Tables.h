#pragma once
// Fixed value tables of the KSR-704: frequency grid, display texts, the flat
// preset, default names and the byte offsets of every parameter in PresetImage.

#include <QString>

#include <array>
#include <cstdint>
#include <span>

namespace ksr {

inline constexpr int FrequencyCount = 730;
inline constexpr int FilterCount = 24;      // 12 per channel
inline constexpr int FiltersPerChannel = 12;
inline constexpr int ChannelBytes = 80;     // one channel's half of a preset image
inline constexpr int PresetBytes = 160;     // a preset as the device holds it
inline constexpr int PresetImageBytes = 161; // plus the extra byte that files carry

// The device's 730 centre frequencies in Hz, strictly ascending, 20 .. 20000.
extern const std::array<double, FrequencyCount> FreqTable;

inline constexpr std::array<const char *, 4> WidthText = {"1/70", "1/20", "1/10", "1/5"};
// Quality factor the response graph uses for each width index.
inline constexpr std::array<double, 4> GraphWidthFactor = {100.989, 28.856, 14.432, 7.2};

inline constexpr std::array<const char *, 2> AttenuationModeText = {"Fixed", "Variable"};
inline constexpr std::array<const char *, 2> SearchModeText = {"Sharp", "Fast"};
inline constexpr std::array<const char *, 2> ReleaseModeText = {"Slow", "Fast"};

// Entry `index` of a text table, the index brought into the table's range.
QString TableText(std::span<const char *const> texts, int index);

// "Preset01" .. "Preset16".
extern const std::array<QString, 16> DefaultPresetNames;

// Bytes 0..159 of a flat preset: every notch at 0 dB, 247.9 Hz, 1/10 octave.
extern const std::array<std::uint8_t, PresetBytes> FlatPresetImage;

// Offsets into PresetImage. NotchOffset is indexed by filter index 0..23,
// the others by channel (0 Left, 1 Right).
inline constexpr std::array<int, FilterCount> NotchOffset = [] {
    std::array<int, FilterCount> o{};
    for (int f = 0; f < FilterCount; ++f)
        o[static_cast<std::size_t>(f)] = f < FiltersPerChannel ? 28 + 4 * f : 108 + 4 * (f - FiltersPerChannel);
    return o;
}();
inline constexpr std::array<int, 2> ReleaseOffset = {20, 100};
inline constexpr std::array<int, 2> SearchModeOffset = {21, 101};
inline constexpr std::array<int, 2> AutoCountOffset = {76, 156};
inline constexpr std::array<int, 2> AutoQOffset = {77, 157};
inline constexpr std::array<int, 2> AttenuationOffset = {78, 158};
inline constexpr std::array<int, 2> SensitivityOffset = {79, 159};

// Horizontal scale of the response graph: 20 Hz .. 20 kHz over 575 pixels.
extern const double PixelsPerDecade;

// A frequency in its shortest decimal form: 20, 20.05, 342.5, 1003.
QString FrequencyText(double hz);
// "Left" for channel 0, "Right" for channel 1.
QString ChannelName(int c);

// Title of message boxes that have no title of their own.
inline constexpr const char *ApplicationTitle = "KSR-704 Remote";

} // namespace ksr
