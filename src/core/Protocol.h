#pragma once
// The wire protocol as the program speaks it: one builder for each frame it
// sends (the seven bytes b2..b8 that the link frames) and the decoders of
// what the device sends back (replies and search reports).

#include "core/Frames.h"
#include "core/State.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace ksr {

// Bytes 0..6 of a report are read; 7..9 carry nothing.
inline constexpr int ReportUsedBytes = 7;
// The highest gain step (0 dB) and width index a frame or report carries.
inline constexpr int HighestGainStep = 45;
inline constexpr int HighestWidthIndex = 3;

// The channel code of AutoSearchCommand.
enum class SearchChannels : std::uint8_t { Both = 0, Left = 1, Right = 2 };
// The code of channel c (0 Left, 1 Right).
constexpr SearchChannels SearchChannelsOf(int c)
{
    return static_cast<SearchChannels>(c + 1);
}
// The last byte of AutoSearchCommand: whether the device searches.
enum class SearchRun : std::uint8_t { Off = 0, On = 1 };

// The automatic-search settings of a channel, in the order AutoSearchCommand
// carries them.
struct AutoSearchSettings {
    std::uint8_t autoCount;
    std::uint8_t autoQ;
    std::uint8_t attenuationMode;
    std::uint8_t sensitivity;
};
// Channel c's settings as the image holds them.
AutoSearchSettings AutoSearchSettingsOf(const PresetImageArray &image, int c);

// The low 16 bits of a value as a frame carries them, high byte first
// (addresses, frequency indexes).
std::array<std::uint8_t, 2> HighLowBytes(int value);

// The presence probe; a KSR-704 answers with the marker in reply byte 3.
FrameArgs ProbeFrame();
// Notch filter `number` (0..11) of channel 0 Left / 1 Right.
FrameArgs NotchFilterFrame(int channel, int number, int frequencyIndex, int widthIndex, int gainStep);
// Release mode and search mode of channel 0 Left / 1 Right.
FrameArgs SearchModesFrame(int channel, std::uint8_t releaseMode, std::uint8_t searchMode);
// The automatic-search settings for `channels`; `run` starts or stops the
// device's search (the settings senders send Off).
FrameArgs AutoSearchFrame(SearchChannels channels, const AutoSearchSettings &settings, SearchRun run);
// Asks for the 160-byte block of preset `selector` (a directory entry, or
// CurrentSettingsSelector).
FrameArgs ReadPresetFrame(std::uint8_t selector);
FrameArgs ExitFrame();
// One byte of device memory; the reply carries it (ReadByteValue).
FrameArgs ReadByteFrame(int address);
FrameArgs WriteByteFrame(int address, std::uint8_t value);
// Acknowledges a report; the device does not answer it.
FrameArgs NotificationAckFrame();

// Whether the reply to ProbeFrame comes from a KSR-704.
bool IsProbeAnswer(std::span<const std::uint8_t, ReplyBytes> reply);
// The byte that the reply to ReadByteFrame carries.
std::uint8_t ReadByteValue(std::span<const std::uint8_t, ReplyBytes> reply);

// Whether a first byte is that of a report (either kind, whatever follows).
constexpr bool IsReportType(std::uint8_t type)
{
    return type == NotchReport || type == GainReport;
}

// A report of the device during a feedback search: a notch it set (gain,
// frequency and width) or one whose gain it changed.
struct DeviceReport {
    enum class Kind { Notch, Gain };
    Kind kind;
    int filter;         // filter index 0..23, Right from 12
    int frequencyIndex; // 0..729; Notch only
    int widthIndex;     // 0..3; Notch only
    int gainStep;       // 0..45
};
// The report in bytes 0..6; none for an unknown type, a filter number above
// 11 or a gain step above 45, and, for a notch, a frequency index above 729
// or a width index above 3.
std::optional<DeviceReport> DecodeReport(std::span<const std::uint8_t, ReportUsedBytes> bytes);

} // namespace ksr
