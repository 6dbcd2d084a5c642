#pragma once
// Turns SIGINT and SIGTERM into a call on the Qt event loop. The signals are
// blocked in every thread (BlockEndSignals, before any thread starts) and
// taken by a thread that waits for them, so no handler and no global state
// is involved.

#include <QObject>

#include <atomic>
#include <functional>
#include <thread>

namespace ksr::sim {

class SignalWatcher {
public:
    // Call first thing in main(), before any other thread exists.
    static bool BlockEndSignals();

    // `onSignal` runs in `context`'s thread when SIGINT or SIGTERM arrives.
    SignalWatcher(QObject *context, std::function<void(int)> onSignal);
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher &) = delete;
    SignalWatcher &operator=(const SignalWatcher &) = delete;

private:
    void Run();

    QObject *context_;
    std::function<void(int)> onSignal_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace ksr::sim
