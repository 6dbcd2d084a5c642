#pragma once
// The 10-byte command frame F0 5B b2..b8 F7 and the command codes.

#include <array>
#include <cstdint>

namespace ksr {

// Bytes 2..8 of a frame: the command code and its six arguments.
using FrameArgs = std::array<std::uint8_t, 7>;
using Frame = std::array<std::uint8_t, 10>;

inline constexpr std::uint8_t FrameStart = 0xF0;
inline constexpr std::uint8_t FrameMarker = 0x5B;
inline constexpr std::uint8_t FrameEnd = 0xF7;

inline constexpr int ReplyBytes = 10;

// One byte on the line: 10 bits at 4800 baud (8N1).
inline constexpr double WireByteSeconds = 10.0 / 4800.0;
inline constexpr int BlockBytes = 160;

enum CommandCode : std::uint8_t {
    ProbeCommand = 0x00,
    NotchFilterCommand = 0x07,
    AutoSearchCommand = 0x0A,
    ReadPresetCommand = 0x0B,
    ExitCommand = 0x0F,
    ReadByteCommand = 0x10,
    WriteByteCommand = 0x11,
    NotificationAck = 0x30,
    SearchModesCommand = 0x31,
};

// The first byte of the device's reports during a feedback search.
inline constexpr std::uint8_t NotchReport = 0xFE;
inline constexpr std::uint8_t GainReport = 0xFD;

// Block-read argument that asks for the current settings instead of a preset.
inline constexpr std::uint8_t CurrentSettingsSelector = 0xFF;

constexpr Frame BuildFrame(const FrameArgs &args)
{
    return {FrameStart, FrameMarker, args[0], args[1], args[2], args[3],
            args[4],    args[5],     args[6], FrameEnd};
}

} // namespace ksr
