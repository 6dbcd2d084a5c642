#pragma once
// Monotonic seconds for the link's time-outs.

#include <chrono>
#include <thread>

namespace ksr {

class Clock {
public:
    virtual ~Clock() = default;
    virtual double NowSeconds() const = 0;
    // Blocks until the clock has passed `t`.
    virtual void SleepUntil(double t) = 0;
};

// The real clock: unaffected by changes of the calendar time.
class SteadyClock final : public Clock {
public:
    double NowSeconds() const override
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }
    void SleepUntil(double t) override
    {
        const double wait = t - NowSeconds();
        if (wait > 0)
            std::this_thread::sleep_for(std::chrono::duration<double>(wait));
    }
};

} // namespace ksr
