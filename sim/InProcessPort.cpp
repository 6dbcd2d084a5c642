#include "sim/InProcessPort.h"

#include "sim/SimDevice.h"

#include <algorithm>

namespace ksr::sim {

InProcessPort::InProcessPort(VirtualClock &clock)
    : clock_(clock)
{
}

void InProcessPort::AttachDevice(int portNumber, SimDevice *device)
{
    devices_.insert(portNumber, device);
}

void InProcessPort::AddSilentPort(int portNumber)
{
    silentPorts_.insert(portNumber);
}

bool InProcessPort::Open(int number)
{
    Close();
    if (vanished_.contains(number) || (!devices_.contains(number) && !silentPorts_.contains(number)))
        return false;
    number_ = number;
    // Whatever the device sent while the port was closed is gone.
    TakeIn();
    open_ = true;
    receiveSize_ = DefaultReceiveSize;
    buffer_.clear();
    return true;
}

void InProcessPort::Close()
{
    TakeIn();
    open_ = false;
    buffer_.clear();
}

bool InProcessPort::SetReceiveSize(int bytes)
{
    if (!open_)
        return false;
    Close();
    receiveSize_ = std::max(1, bytes);
    open_ = true;
    return true;
}

bool InProcessPort::Write(const QByteArray &bytes)
{
    if (!open_)
        return false;
    if (failWrites_ > 0) {
        --failWrites_;
        return false;
    }
    if (failWhere_ && failWhere_(bytes))
        return false;
    TakeIn();
    writes_.append(bytes);
    writeTimes_.append(clock_.NowSeconds());
    if (SimDevice *device = Device())
        Deliver(*device, bytes);
    return true;
}

void InProcessPort::Deliver(SimDevice &device, const QByteArray &bytes)
{
    if (pacer_.ByteSeconds() <= 0) {
        device.Receive(bytes, clock_.NowSeconds());
        return;
    }
    for (const char byte : bytes)
        device.Receive(QByteArrayView(&byte, 1), toDevice_.Arrival(clock_.NowSeconds()));
}

void InProcessPort::SetLinePace(double byteSeconds)
{
    pacer_ = LinePacer(byteSeconds);
    toDevice_ = LinePacer(byteSeconds);
}

int InProcessPort::BytesWaiting()
{
    TakeIn();
    return static_cast<int>(buffer_.size());
}

QByteArray InProcessPort::Read(int count)
{
    TakeIn();
    const QByteArray out = buffer_.left(std::max(0, count));
    buffer_.remove(0, out.size());
    return out;
}

void InProcessPort::DiscardInput()
{
    TakeIn();
    buffer_.clear();
}

QByteArray InProcessPort::DiscardUntil(double t)
{
    QByteArray dropped;
    for (;;) {
        TakeIn();
        dropped += buffer_.left(std::max<qsizetype>(0, receiveSize_ - dropped.size()));
        buffer_.clear();
        const auto next = open_ ? NextArrival() : std::nullopt;
        if (!next || *next >= t)
            break;
        clock_.AdvanceTo(*next);
    }
    if (open_)
        clock_.AdvanceTo(t);
    return dropped;
}

bool InProcessPort::WaitForBytes(int count, double deadline)
{
    if (!open_)
        return false;
    if (waitHook_)
        waitHook_();
    for (;;) {
        TakeIn();
        if (open_ && buffer_.size() >= count)
            return true;
        const auto next = open_ ? NextArrival() : std::nullopt;
        if (!next || *next > deadline)
            break;
        clock_.AdvanceTo(*next);
    }
    if (!open_)
        return false;
    clock_.SleepUntil(deadline);
    TakeIn();
    return open_ && buffer_.size() >= count;
}

void InProcessPort::ClearWrites()
{
    writes_.clear();
    writeTimes_.clear();
}

void InProcessPort::Vanish()
{
    const bool wasOpen = open_;
    Close();
    if (number_ != 0)
        vanished_.insert(number_);
    if (wasOpen && failureHandler_)
        failureHandler_();
}

void InProcessPort::InjectBytes(const QByteArray &bytes, double at)
{
    injected_[at].append(bytes);
}

SimDevice *InProcessPort::Device() const
{
    if (number_ == 0 || vanished_.contains(number_))
        return nullptr;
    return devices_.value(number_, nullptr);
}

std::optional<double> InProcessPort::NextArrival() const
{
    std::optional<double> next;
    if (const SimDevice *device = Device())
        next = device->NextDue();
    if (!line_.empty() && (!next || line_.front().at < *next))
        next = line_.front().at;
    if (!injected_.isEmpty() && (!next || injected_.firstKey() < *next))
        next = injected_.firstKey();
    return next;
}

void InProcessPort::TakeIn()
{
    const double now = clock_.NowSeconds();
    for (;;) {
        const auto next = NextArrival();
        if (!next || *next > now)
            return;
        if (!injected_.isEmpty() && injected_.firstKey() == *next) {
            Arrive(injected_.take(*next));
        } else if (!line_.empty() && line_.front().at == *next) {
            Arrive(QByteArray(1, line_.front().byte));
            line_.pop_front();
        } else if (SimDevice *device = Device()) {
            const QByteArray due = device->TakeDue(*next);
            if (pacer_.ByteSeconds() <= 0) {
                Arrive(due);
            } else {
                // The output joins the line: each byte arrives once carried.
                for (const char byte : due)
                    line_.push_back({pacer_.Departure(*next), byte});
            }
        }
    }
}

void InProcessPort::Arrive(const QByteArray &bytes)
{
    if (!open_ || vanished_.contains(number_))
        return;
    arrived_ += bytes.size();
    const qsizetype room = std::max<qsizetype>(0, receiveSize_ - buffer_.size());
    buffer_.append(bytes.left(room));
}

} // namespace ksr::sim
