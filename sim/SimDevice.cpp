#include "sim/SimDevice.h"

#include "sim/FixedPresets.h"

#include <algorithm>

namespace ksr::sim {

SimDevice::SimDevice()
    : memory_(DefaultMemory())
    , current_(FixedPreset(0))
{
}

void SimDevice::Receive(QByteArrayView bytes, double now)
{
    for (const char c : bytes) {
        if (const auto frame = receiver_.Push(static_cast<std::uint8_t>(c), now))
            Handle(*frame, now);
    }
}

QByteArray SimDevice::TakeDue(double now)
{
    QByteArray out = output_.TakeDue(now);
    // A report goes out only once every answer has gone.
    const auto report = output_.IsEmpty() ? ReportDue() : std::nullopt;
    if (report && *report <= now) {
        Preset settings = current_;
        out += search_.TakeReport(*report, settings, faults_.badReports);
        SetCurrentSettings(settings);
    }
    return out;
}

std::optional<double> SimDevice::NextDue() const
{
    if (!output_.IsEmpty())
        return output_.NextDue();
    return ReportDue();
}

std::optional<double> SimDevice::ReportDue() const
{
    auto due = search_.NextReportDue(current_);
    if (due) {
        if (const auto last = output_.LatestDue())
            due = std::max(*due, *last + ReportGap);
    }
    return due;
}

std::uint8_t SimDevice::MemoryByte(int address) const
{
    if (address < 0 || address >= MemoryBytes)
        return UnusedByte;
    return memory_[static_cast<std::size_t>(address)];
}

void SimDevice::SetMemoryByte(int address, std::uint8_t value)
{
    if (address < 0 || address >= MemoryBytes)
        return;
    auto &cell = memory_[static_cast<std::size_t>(address)];
    if (cell != value) {
        cell = value;
        changed_ = true;
    }
}

void SimDevice::SetCurrentSettings(const Preset &settings)
{
    if (current_ != settings) {
        current_ = settings;
        changed_ = true;
    }
}

void SimDevice::StoreCurrent(std::size_t offset, std::uint8_t value)
{
    if (current_[offset] != value) {
        current_[offset] = value;
        changed_ = true;
    }
}

bool SimDevice::SearchRunning(int channel) const
{
    return channel >= 0 && channel < 2 && search_.Running(channel);
}

} // namespace ksr::sim
