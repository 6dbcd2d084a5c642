#include "sim/SearchEngine.h"

#include "core/Tables.h"

#include <algorithm>

namespace ksr::sim {

namespace {

// Feedback is looked for between about 200 Hz and 8 kHz.
constexpr int LowestIndex = 243;
constexpr int HighestIndex = 632;
constexpr int MaxGainStep = 45;

QByteArray Report(std::uint8_t type, int channel, int number, int index, int width, int gain)
{
    QByteArray bytes(10, '\0');
    bytes[0] = static_cast<char>(type);
    bytes[1] = static_cast<char>(channel);
    bytes[2] = static_cast<char>(number);
    bytes[3] = static_cast<char>(index >> 8);
    bytes[4] = static_cast<char>(index & 0xFF);
    bytes[5] = static_cast<char>(width);
    bytes[6] = static_cast<char>(gain);
    return bytes;
}

std::size_t Base(int channel)
{
    return static_cast<std::size_t>(ChannelBytes * channel);
}

std::size_t Record(int channel, int row)
{
    return NotchAt(channel, row);
}

int AutoCount(int channel, const Preset &current)
{
    return std::clamp<int>(current[Base(channel) + 76], 1, FiltersPerChannel);
}

int AutoWidth(int channel, const Preset &current)
{
    return current[Base(channel) + 77] & 3;
}

int Limit(int channel, const Preset &current)
{
    return current[Base(channel) + 78] == 0 ? SearchEngine::FixedLimitStep : SearchEngine::VariableLimitStep;
}

int Deeper(int channel, int row, const Preset &current)
{
    const int gain = std::min<int>(current[Record(channel, row)], MaxGainStep);
    return std::max(Limit(channel, current), gain - SearchEngine::DeepenSteps);
}

} // namespace

void SearchEngine::SetRunning(int channel, bool running, double now, const Preset &current)
{
    const auto c = static_cast<std::size_t>(channel);
    const bool pending = NextReportDue(current).has_value();
    if (!running_[0] && !running_[1])
        nextChannel_ = 0;
    if (running && !running_[c]) {
        for (int row = 0; row < FiltersPerChannel; ++row)
            placed_[c * FiltersPerChannel + static_cast<std::size_t>(row)] = false;
    }
    running_[c] = running;
    if (!running_[0] && !running_[1]) {
        // A report not yet due is dropped with the search.
        due_.reset();
        awaitingAck_ = false;
    } else if (running && !awaitingAck_ && !pending) {
        due_ = now + reportInterval_;
    }
}

void SearchEngine::Acknowledged(double now)
{
    if (!awaitingAck_)
        return;
    awaitingAck_ = false;
    due_ = now + reportInterval_;
}

std::optional<double> SearchEngine::NextReportDue(const Preset &current) const
{
    if (awaitingAck_ || !due_ || !NextStep(current))
        return std::nullopt;
    return due_;
}

QByteArray SearchEngine::TakeReport(double now, Preset &current, int &badReports)
{
    if (awaitingAck_ || !due_ || *due_ > now)
        return {};
    const auto step = NextStep(current);
    if (!step)
        return {};
    due_.reset();
    awaitingAck_ = true;
    nextChannel_ = 1 - step->channel;
    if (badReports > 0) {
        --badReports;
        return BadReport(*step, current, badReportsSent_++);
    }
    return Apply(*step, current);
}

std::optional<SearchEngine::Step> SearchEngine::NextStep(const Preset &current) const
{
    for (const int channel : {nextChannel_, 1 - nextChannel_}) {
        if (running_[static_cast<std::size_t>(channel)]) {
            if (const auto step = StepOf(channel, current))
                return step;
        }
    }
    return std::nullopt;
}

// Every automatic notch is placed first, then they are deepened in turn.
std::optional<SearchEngine::Step> SearchEngine::StepOf(int channel, const Preset &current) const
{
    const int count = AutoCount(channel, current);
    for (int row = 0; row < count; ++row) {
        if (!placed_[static_cast<std::size_t>(FiltersPerChannel * channel + row)])
            return Step{channel, row, true};
    }
    const int limit = Limit(channel, current);
    for (int row = 0; row < count; ++row) {
        if (current[Record(channel, row)] > limit)
            return Step{channel, row, false};
    }
    return std::nullopt;
}

QByteArray SearchEngine::Apply(const Step &step, Preset &current)
{
    const int channel = step.channel;
    const std::size_t o = Record(channel, step.row);
    if (!step.place) {
        current[o] = static_cast<std::uint8_t>(Deeper(channel, step.row, current));
        return Report(GainReport, channel, step.row, 0, 0, current[o]);
    }
    // A frequency no other notch placed by this search sits at.
    const int count = AutoCount(channel, current);
    const auto taken = [&](int index) {
        for (int other = 0; other < count; ++other) {
            const std::size_t r = Record(channel, other);
            if (other != step.row && placed_[static_cast<std::size_t>(FiltersPerChannel * channel + other)]
                && current[r + 1] * 256 + current[r + 2] == index)
                return true;
        }
        return false;
    };
    int index = 0;
    do {
        // Plain modulo rather than a distribution: the same frequencies with
        // every standard library.
        index = LowestIndex + static_cast<int>(random_() % static_cast<unsigned>(HighestIndex - LowestIndex + 1));
    } while (taken(index));
    placed_[static_cast<std::size_t>(FiltersPerChannel * channel + step.row)] = true;
    const int width = AutoWidth(channel, current);
    current[o] = FirstGainStep;
    current[o + 1] = static_cast<std::uint8_t>(index >> 8);
    current[o + 2] = static_cast<std::uint8_t>(index & 0xFF);
    current[o + 3] = static_cast<std::uint8_t>(width);
    return Report(NotchReport, channel, step.row, index, width, FirstGainStep);
}

// The report `step` would give with, in turn, its filter number, frequency
// index, width or gain out of range: first just past the range, the next
// time round at 255 (the frequency at 0xFFFF).
QByteArray SearchEngine::BadReport(const Step &step, const Preset &current, int n) const
{
    const int kind = n % 4;
    const bool farOut = (n / 4) % 2 == 1;
    const std::size_t o = Record(step.channel, step.row);
    int row = step.row;
    int index = current[o + 1] * 256 + current[o + 2];
    int width = step.place ? AutoWidth(step.channel, current) : current[o + 3];
    int gain = step.place ? FirstGainStep : Deeper(step.channel, step.row, current);
    std::uint8_t type = step.place ? NotchReport : GainReport;
    switch (kind) {
    case 0:
        row = farOut ? 255 : FiltersPerChannel;
        break;
    case 1:
        type = NotchReport;
        index = farOut ? 0xFFFF : FrequencyCount;
        break;
    case 2:
        type = NotchReport;
        width = farOut ? 255 : 4;
        break;
    default:
        gain = farOut ? 255 : MaxGainStep + 1;
        break;
    }
    if (type == GainReport)
        return Report(type, step.channel, row, 0, 0, gain);
    return Report(type, step.channel, row, index, width, gain);
}

} // namespace ksr::sim
