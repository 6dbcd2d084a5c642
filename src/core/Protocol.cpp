#include "core/Protocol.h"

#include "core/Encodings.h"

namespace ksr {

namespace {

std::uint8_t Byte(int value)
{
    return static_cast<std::uint8_t>(value);
}

std::uint8_t ImageByte(const PresetImageArray &image, const std::array<int, 2> &offsets, int c)
{
    return image[static_cast<std::size_t>(offsets[static_cast<std::size_t>(c)])];
}

} // namespace

AutoSearchSettings AutoSearchSettingsOf(const PresetImageArray &image, int c)
{
    return {ImageByte(image, AutoCountOffset, c), ImageByte(image, AutoQOffset, c),
            ImageByte(image, AttenuationOffset, c), ImageByte(image, SensitivityOffset, c)};
}

std::array<std::uint8_t, 2> HighLowBytes(int value)
{
    const auto bytes = SplitToBytes(value);
    return {bytes[2], bytes[3]};
}

FrameArgs ProbeFrame()
{
    return {ProbeCommand, 0, 0, 0, 0, 0, 0};
}

FrameArgs NotchFilterFrame(int channel, int number, int frequencyIndex, int widthIndex, int gainStep)
{
    const auto frequency = HighLowBytes(frequencyIndex);
    return {NotchFilterCommand, Byte(channel), Byte(number), frequency[0], frequency[1], Byte(widthIndex),
            Byte(gainStep)};
}

FrameArgs SearchModesFrame(int channel, std::uint8_t releaseMode, std::uint8_t searchMode)
{
    return {SearchModesCommand, Byte(channel), 0, 0, releaseMode, searchMode, 0};
}

FrameArgs AutoSearchFrame(SearchChannels channels, const AutoSearchSettings &settings, SearchRun run)
{
    return {AutoSearchCommand,        static_cast<std::uint8_t>(channels), settings.autoCount, settings.autoQ,
            settings.attenuationMode, settings.sensitivity,                static_cast<std::uint8_t>(run)};
}

FrameArgs ReadPresetFrame(std::uint8_t selector)
{
    return {ReadPresetCommand, selector, 0, 0, 0, 0, 0};
}

FrameArgs ExitFrame()
{
    return {ExitCommand, 0, 0, 0, 0, 0, 0};
}

FrameArgs ReadByteFrame(int address)
{
    const auto bytes = HighLowBytes(address);
    return {ReadByteCommand, bytes[0], bytes[1], 0, 0, 0, 0};
}

FrameArgs WriteByteFrame(int address, std::uint8_t value)
{
    const auto bytes = HighLowBytes(address);
    return {WriteByteCommand, bytes[0], bytes[1], 0, value, 0, 0};
}

FrameArgs NotificationAckFrame()
{
    return {NotificationAck, 0, 0, 0, 0, 0, 0};
}

bool IsProbeAnswer(std::span<const std::uint8_t, ReplyBytes> reply)
{
    return reply[3] == FrameMarker;
}

std::uint8_t ReadByteValue(std::span<const std::uint8_t, ReplyBytes> reply)
{
    return reply[6];
}

std::optional<DeviceReport> DecodeReport(std::span<const std::uint8_t, ReportUsedBytes> bytes)
{
    const std::uint8_t type = bytes[0];
    const int number = bytes[2];
    const int frequencyIndex = bytes[3] * 256 + bytes[4];
    const int width = bytes[5];
    const int gain = bytes[6];
    if (!IsReportType(type) || number >= FiltersPerChannel || gain > HighestGainStep)
        return std::nullopt;
    if (type == NotchReport && (frequencyIndex >= FrequencyCount || width > HighestWidthIndex))
        return std::nullopt;
    // Channel byte 0 is Left, any other Right.
    const int filter = number + (bytes[1] == 0 ? 0 : FiltersPerChannel);
    return DeviceReport{type == NotchReport ? DeviceReport::Kind::Notch : DeviceReport::Kind::Gain, filter,
                        frequencyIndex, width, gain};
}

} // namespace ksr
