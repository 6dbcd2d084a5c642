#pragma once
// The device's feedback search: while it runs on a channel, it places the
// channel's automatic notch filters at feedback frequencies and deepens
// them, one report at a time, each after the previous one was acknowledged.

#include "sim/Preset.h"

#include <QByteArray>

#include <array>
#include <cstdint>
#include <optional>
#include <random>

namespace ksr::sim {

class SearchEngine {
public:
    // Seconds from the start, or from an acknowledgement, to the next
    // report, unless set otherwise.
    static constexpr double ReportInterval = 0.3;
    void SetReportInterval(double seconds) { reportInterval_ = seconds; }
    // A new notch starts at -6 dB and deepens 3 dB a report, down to -12 dB
    // with fixed attenuation or -30 dB with variable attenuation.
    static constexpr int FirstGainStep = 39;
    static constexpr int DeepenSteps = 3;
    static constexpr int FixedLimitStep = 33;
    static constexpr int VariableLimitStep = 15;
    // Byte 0 of a report: a notch placed, or only its gain changed.
    static constexpr std::uint8_t NotchReport = 0xFE;
    static constexpr std::uint8_t GainReport = 0xFD;

    // Starts or stops the search on `channel` at `now`. A channel that starts
    // anew places its automatic notches afresh.
    void SetRunning(int channel, bool running, double now, const Preset &current);
    bool Running(int channel) const { return running_[static_cast<std::size_t>(channel)]; }
    // The acknowledgement of the last report arrived at `now`.
    void Acknowledged(double now);

    // When the next report is due: none while the last one waits for its
    // acknowledgement, nor once every automatic notch of the searched
    // channels is placed and at its limit (the search goes quiet).
    std::optional<double> NextReportDue(const Preset &current) const;
    // The report due by `now`, written into `current` as well; nothing when
    // none is due. While `badReports` is above 0 the report is the one that
    // was due with one value out of range instead, which changes nothing and
    // counts `badReports` down.
    QByteArray TakeReport(double now, Preset &current, int &badReports);

private:
    struct Step {
        int channel;
        int row;
        bool place; // false: deepen
    };
    // The channels take turns; one with nothing left to do passes.
    std::optional<Step> NextStep(const Preset &current) const;
    std::optional<Step> StepOf(int channel, const Preset &current) const;
    QByteArray Apply(const Step &step, Preset &current);
    QByteArray BadReport(const Step &step, const Preset &current, int n) const;

    std::array<bool, 2> running_{};
    // Filters placed by this search, by filter index 0..23.
    std::array<bool, 24> placed_{};
    std::optional<double> due_;
    bool awaitingAck_ = false;
    int nextChannel_ = 0;
    int badReportsSent_ = 0;
    std::minstd_rand random_{704};
    double reportInterval_ = ReportInterval;
};

} // namespace ksr::sim
