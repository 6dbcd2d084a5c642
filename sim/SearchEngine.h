#pragma once
// The device's feedback search: while it runs on a channel, it places the
// channel's automatic notch filters at feedback frequencies and deepens
// them, one report at a time, each after the previous one was acknowledged.

#include "sim/Preset.h"

#include <QByteArray>

#include <array>
#include <optional>
#include <random>

namespace ksr::sim {

class SearchEngine {
public:
    // Seconds from the start, or from an acknowledgement, to the next report.
    static constexpr double ReportInterval = 0.3;
    // A new notch starts at -6 dB and deepens 3 dB a report, down to -12 dB
    // with fixed attenuation or -30 dB with variable attenuation.
    static constexpr int FirstGainStep = 39;
    static constexpr int DeepenSteps = 3;
    static constexpr int FixedLimitStep = 33;
    static constexpr int VariableLimitStep = 15;

    // Starts or stops the search on channel c at `now`.
    void SetRunning(int channel, bool running, double now);
    bool Running(int channel) const { return running_[static_cast<std::size_t>(channel)]; }
    // The acknowledgement of the last report arrived at `now`.
    void Acknowledged(double now);

    // When the next report is due, if one is.
    std::optional<double> NextReportDue() const;
    // The report due by `now`, written into `current` as well; nothing when
    // none is due or every automatic notch is at its limit. `badReports`
    // above 0 makes the report carry an out-of-range value instead (and is
    // counted down).
    QByteArray TakeReport(double now, Preset &current, int &badReports);

private:
    QByteArray PlaceOrDeepen(int channel, Preset &current);
    QByteArray BadReport(int kind) const;

    std::array<bool, 2> running_{};
    // Filters placed by this search, by filter index 0..23.
    std::array<bool, 24> placed_{};
    std::optional<double> due_;
    bool awaitingAck_ = false;
    int nextChannel_ = 0;
    int badKind_ = 0;
    std::minstd_rand random_{704};
};

} // namespace ksr::sim
