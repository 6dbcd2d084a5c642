#pragma once
// A clock that moves only when told to: sleeping jumps straight past the
// time slept until, so timed code runs instantly and deterministically.

#include "core/Clock.h"

#include <cmath>
#include <limits>

namespace ksr::sim {

class VirtualClock final : public ksr::Clock {
public:
    static constexpr double StartSeconds = 1000.0;

    double NowSeconds() const override { return now_; }
    // The clock ends just past `t`: the smallest double greater than it.
    void SleepUntil(double t) override
    {
        if (now_ <= t)
            now_ = std::nextafter(t, std::numeric_limits<double>::infinity());
    }

    void Advance(double seconds)
    {
        if (seconds > 0)
            now_ += seconds;
    }
    // Moves the clock to `t` unless it is already later.
    void AdvanceTo(double t)
    {
        if (t > now_)
            now_ = t;
    }
    // Sets the clock, backwards too (for tests that need a given time).
    void Set(double t) { now_ = t; }

private:
    double now_ = StartSeconds;
};

} // namespace ksr::sim
