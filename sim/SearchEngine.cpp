#include "sim/SearchEngine.h"

#include "model/Tables.h"

#include <algorithm>

namespace ksr::sim {

namespace {

constexpr std::uint8_t NotchReport = 0xFE;
constexpr std::uint8_t GainReport = 0xFD;
// Feedback is looked for between about 200 Hz and 8 kHz.
constexpr int LowestIndex = 243;
constexpr int HighestIndex = 632;

QByteArray Report(std::uint8_t type, int channel, int number, int index, int width, int gain)
{
    QByteArray bytes(10, '\0');
    bytes[0] = char(type);
    bytes[1] = char(channel);
    bytes[2] = char(number);
    bytes[3] = char(index >> 8);
    bytes[4] = char(index & 0xFF);
    bytes[5] = char(width);
    bytes[6] = char(gain);
    return bytes;
}

} // namespace

void SearchEngine::SetRunning(int channel, bool running, double now)
{
    const auto c = static_cast<std::size_t>(channel);
    if (running && !running_[c]) {
        for (int row = 0; row < FiltersPerChannel; ++row)
            placed_[c * FiltersPerChannel + static_cast<std::size_t>(row)] = false;
    }
    running_[c] = running;
    if (!running_[0] && !running_[1]) {
        // A report not yet due is dropped with the search.
        due_.reset();
        awaitingAck_ = false;
    } else if (running && !awaitingAck_ && !due_) {
        due_ = now + ReportInterval;
    }
}

void SearchEngine::Acknowledged(double now)
{
    if (!awaitingAck_)
        return;
    awaitingAck_ = false;
    if (running_[0] || running_[1])
        due_ = now + ReportInterval;
}

std::optional<double> SearchEngine::NextReportDue() const
{
    return awaitingAck_ ? std::nullopt : due_;
}

QByteArray SearchEngine::TakeReport(double now, Preset &current, int &badReports)
{
    if (awaitingAck_ || !due_ || *due_ > now)
        return {};
    due_.reset();
    if (badReports > 0) {
        --badReports;
        awaitingAck_ = true;
        return BadReport(badKind_++);
    }
    // Channels take turns; a channel with nothing left to do passes.
    for (int tries = 0; tries < 2; ++tries) {
        const int channel = nextChannel_;
        nextChannel_ = 1 - nextChannel_;
        if (!running_[static_cast<std::size_t>(channel)])
            continue;
        const QByteArray report = PlaceOrDeepen(channel, current);
        if (!report.isEmpty()) {
            awaitingAck_ = true;
            return report;
        }
    }
    return {}; // every automatic notch is at its limit: the search goes quiet
}

QByteArray SearchEngine::PlaceOrDeepen(int channel, Preset &current)
{
    const std::size_t base = static_cast<std::size_t>(ChannelBytes * channel);
    const int count = std::clamp<int>(current[base + 76], 1, FiltersPerChannel);
    const int width = current[base + 77] & 3;
    const int limit = current[base + 78] == 0 ? FixedLimitStep : VariableLimitStep;
    const auto record = [&](int row) { return base + 28 + 4 * static_cast<std::size_t>(row); };

    for (int row = 0; row < count; ++row) {
        const std::size_t f = static_cast<std::size_t>(FiltersPerChannel * channel + row);
        if (placed_[f])
            continue;
        // A frequency no other notch of the channel sits at.
        int index = 0;
        bool taken = true;
        while (taken) {
            index = LowestIndex + int(random_() % unsigned(HighestIndex - LowestIndex + 1));
            taken = false;
            for (int other = 0; other < count; ++other) {
                const std::size_t o = record(other);
                if (other != row && placed_[static_cast<std::size_t>(FiltersPerChannel * channel + other)]
                    && current[o + 1] * 256 + current[o + 2] == index)
                    taken = true;
            }
        }
        placed_[f] = true;
        const std::size_t o = record(row);
        current[o] = FirstGainStep;
        current[o + 1] = static_cast<std::uint8_t>(index >> 8);
        current[o + 2] = static_cast<std::uint8_t>(index & 0xFF);
        current[o + 3] = static_cast<std::uint8_t>(width);
        return Report(NotchReport, channel, row, index, width, FirstGainStep);
    }
    for (int row = 0; row < count; ++row) {
        const std::size_t o = record(row);
        if (current[o] <= limit)
            continue;
        current[o] = static_cast<std::uint8_t>(std::max(limit, current[o] - DeepenSteps));
        return Report(GainReport, channel, row, 0, 0, current[o]);
    }
    return {};
}

QByteArray SearchEngine::BadReport(int kind) const
{
    switch (kind % 4) {
    case 0: // filter number past the twelfth
        return Report(NotchReport, 0, 12, 300, 2, 30);
    case 1: // frequency index past the grid
        return Report(NotchReport, 1, 0, FrequencyCount, 2, 30);
    case 2: // width index past 1/5 octave
        return Report(NotchReport, 0, 1, 300, 4, 30);
    default: // gain step above 0 dB
        return Report(GainReport, 1, 2, 0, 0, 46);
    }
}

} // namespace ksr::sim
