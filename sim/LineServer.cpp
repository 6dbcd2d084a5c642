#include "sim/LineServer.h"

#include "core/State.h"
#include "sim/SimDevice.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <sys/timerfd.h>
#include <unistd.h>

namespace ksr::sim {

LineServer::LineServer(SimDevice &device, double byteSeconds, std::function<void()> afterReceive)
    : device_(device)
    , pacer_(byteSeconds)
    , afterReceive_(std::move(afterReceive))
{
    clock_.start();
    // A timerfd rather than a QTimer: Qt's timers count whole milliseconds,
    // and a byte late by up to one would cost the line half a byte time.
    timerFd_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (timerFd_ >= 0) {
        timerNotifier_ = std::make_unique<QSocketNotifier>(timerFd_, QSocketNotifier::Read);
        connect(timerNotifier_.get(), &QSocketNotifier::activated, this, [this] {
            std::uint64_t expirations = 0;
            if (read(timerFd_, &expirations, sizeof expirations) < 0 && errno != EAGAIN)
                qWarning("read from timer: %s", std::strerror(errno));
            QueueOutput();
        });
    }
}

LineServer::~LineServer()
{
    timerNotifier_.reset();
    if (timerFd_ >= 0)
        close(timerFd_);
}

void LineServer::Attach(int fd, std::function<void()> ended)
{
    Detach();
    fd_ = fd;
    ended_ = std::move(ended);
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { ReadInput(); });
}

void LineServer::Detach()
{
    // The notifier may be the one whose signal runs now; should no event
    // loop run again, it goes with the server.
    if (notifier_) {
        notifier_->setEnabled(false);
        notifier_->deleteLater();
        notifier_ = nullptr;
    }
    fd_ = -1;
    ended_ = {};
    pending_.clear();
    burstBytes_ = 0;
}

void LineServer::SetTiming(std::function<void(qsizetype, double)> outputWritten)
{
    timing_ = true;
    outputWritten_ = std::move(outputWritten);
}

namespace {

double SteadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

double LineServer::Now() const
{
    return static_cast<double>(clock_.nsecsElapsed()) * 1e-9;
}

void LineServer::ReadInput()
{
    if (fd_ < 0)
        return;
    char buffer[4096];
    const ssize_t got = read(fd_, buffer, sizeof buffer);
    if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR && errno != EIO)) {
        // The other end closed the connection (a terminal's side never
        // closes: its server holds it open).
        if (const std::function<void()> ended = ended_) {
            Detach();
            ended();
        }
        return;
    }
    if (got < 0)
        return; // nothing to take yet
    const double steadyRead = timing_ ? SteadySeconds() : 0.0;
    const double readTime = Now();
    // The program's line runs at 4800 baud: however fast the simulated line,
    // a frame is taken in no sooner than it could have crossed that line.
    const double earliest = readTime + TxFrameBytes * WireByteSeconds;
    for (ssize_t i = 0; i < got; ++i) {
        const std::size_t frames = device_.ReceivedFrames().size();
        device_.Receive(QByteArrayView(buffer + i, 1), std::max(pacer_.Arrival(readTime), earliest));
        if (!timing_)
            continue;
        recentReads_.push_back(steadyRead);
        if (recentReads_.size() > std::tuple_size_v<Frame>)
            recentReads_.pop_front();
        if (device_.ReceivedFrames().size() > frames)
            frameReadTimes_.push_back(recentReads_.front());
    }
    if (afterReceive_)
        afterReceive_();
    QueueOutput();
}

void LineServer::QueueOutput()
{
    // The device's output joins the line when it is due: answers, and the
    // reports it sends by itself while a search runs.
    const double now = Now();
    for (auto due = device_.NextDue(); due && *due <= now; due = device_.NextDue()) {
        // Nor does an output byte come back sooner than that line carries it.
        for (const char byte : device_.TakeDue(*due))
            pending_.push_back({std::max(pacer_.Departure(*due), *due + WireByteSeconds), byte});
    }
    WriteDue();
}

void LineServer::Flood()
{
    const double now = Now();
    if (!floodStart_)
        floodStart_ = now;
    pending_.clear();
    // Unpaced, as much as the line takes, up to 16 MiB a wake.
    constexpr qint64 Chunk = 65536;
    qint64 due = pacer_.ByteSeconds() > 0
                     ? static_cast<qint64>((now - *floodStart_) / pacer_.ByteSeconds()) - floodSent_
                     : 256 * Chunk;
    static const QByteArray zeros(Chunk, '\0');
    while (due > 0 && fd_ >= 0) {
        const ssize_t sent = write(fd_, zeros.constData(), static_cast<size_t>(std::min(due, Chunk)));
        if (sent <= 0)
            break;
        floodSent_ += sent;
        due -= sent;
    }
    WakeAfter(0.001);
}

void LineServer::WriteDue()
{
    if (floodAfter_ > 0 && written_ >= floodAfter_) {
        Flood();
        return;
    }
    const double now = Now();
    QByteArray out;
    while (!pending_.empty() && pending_.front().at <= now) {
        out.append(pending_.front().byte);
        pending_.pop_front();
    }
    // A flood takes over after its first bytes of output.
    if (floodAfter_ > 0 && written_ + out.size() > floodAfter_)
        out.truncate(static_cast<qsizetype>(floodAfter_ - written_));
    written_ += out.size();
    // What the line does not take is lost, as on a line nobody reads.
    if (!out.isEmpty() && fd_ >= 0 && write(fd_, out.constData(), static_cast<size_t>(out.size())) < 0
        && errno != EAGAIN && errno != EPIPE && errno != ECONNRESET)
        qWarning("write to line: %s", std::strerror(errno));
    if (floodAfter_ > 0 && written_ >= floodAfter_) {
        Flood();
        return;
    }
    if (timing_ && !out.isEmpty()) {
        burstBytes_ += out.size();
        if (pending_.empty()) {
            if (outputWritten_)
                outputWritten_(burstBytes_, SteadySeconds());
            burstBytes_ = 0;
        }
    }

    // Wake up for the next byte on the line or the device's next output;
    // with neither, nothing runs until the client writes.
    std::optional<double> next = device_.NextDue();
    if (!pending_.empty())
        next = next ? std::min(*next, pending_.front().at) : pending_.front().at;
    WakeAfter(next ? std::optional<double>(std::max(0.0, *next - now)) : std::nullopt);
}

void LineServer::WakeAfter(std::optional<double> seconds)
{
    itimerspec spec{};
    if (seconds) {
        // A zero time would disarm the timer: wake after a nanosecond instead.
        const auto ns = std::max<long long>(1, std::llround(*seconds * 1e9));
        spec.it_value.tv_sec = static_cast<time_t>(ns / 1000000000);
        spec.it_value.tv_nsec = static_cast<long>(ns % 1000000000);
    }
    if (timerFd_ >= 0 && timerfd_settime(timerFd_, 0, &spec, nullptr) != 0)
        qWarning("timerfd_settime: %s", std::strerror(errno));
}

} // namespace ksr::sim
