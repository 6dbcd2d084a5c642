#include "sim/SignalWatcher.h"

#include <QMetaObject>

#include <pthread.h>
#include <signal.h>

namespace ksr::sim {

namespace {

sigset_t EndSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

} // namespace

bool SignalWatcher::BlockEndSignals()
{
    const sigset_t set = EndSignals();
    return pthread_sigmask(SIG_BLOCK, &set, nullptr) == 0;
}

SignalWatcher::SignalWatcher(QObject *context, std::function<void(int)> onSignal)
    : context_(context)
    , onSignal_(std::move(onSignal))
    , thread_([this] { Run(); })
{
}

SignalWatcher::~SignalWatcher()
{
    stopping_ = true;
    // Wakes the waiting thread; it sees stopping_ and ends.
    pthread_kill(thread_.native_handle(), SIGTERM);
    thread_.join();
}

void SignalWatcher::Run()
{
    const sigset_t set = EndSignals();
    for (;;) {
        int number = 0;
        if (sigwait(&set, &number) != 0 || stopping_)
            return;
        QMetaObject::invokeMethod(context_, [this, number] { onSignal_(number); }, Qt::QueuedConnection);
    }
}

} // namespace ksr::sim
