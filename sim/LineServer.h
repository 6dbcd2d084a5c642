#pragma once
// Serves a SimDevice on a line: a descriptor (a pseudo-terminal's side, a
// TCP connection) that bytes are read from and written to. Bytes read reach
// the device paced like a serial line, and its output goes back the same
// way. Without a line the device goes on, and its output is lost.

#include "sim/LinePacer.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace ksr::sim {

class SimDevice;

class LineServer : public QObject {
public:
    // `byteSeconds` 0: no pacing (but no frame taken in, and no byte sent
    // back, faster than the program's 4800 baud line could carry it).
    // `afterReceive` runs after each batch of received bytes has been handed
    // to the device.
    LineServer(SimDevice &device, double byteSeconds, std::function<void()> afterReceive);
    ~LineServer() override;

    // Serves the line on descriptor `fd`, which must be non-blocking and
    // stays the caller's; `ended` runs when the other end has closed it.
    void Attach(int fd, std::function<void()> ended = {});
    // No line any more: what is still to be sent is dropped.
    void Detach();

    // When set, the server notes for each frame the device completes the
    // steady-clock time (seconds) at which its first byte was read, and
    // calls `outputWritten` with the byte count and time whenever a write
    // leaves no output pending: the end of an answer, block or report.
    void SetTiming(std::function<void(qsizetype bytes, double steadySeconds)> outputWritten);
    // The first-byte times of the frames completed since the last call, in
    // the order of SimDevice::ReceivedFrames().
    std::vector<double> TakeFrameReadTimes() { return std::exchange(frameReadTimes_, {}); }
    // After `bytes` bytes of output (0: never) the line sends zeros without
    // pause instead of the device's output, as a broken server may.
    void SetFloodAfter(qint64 bytes) { floodAfter_ = bytes; }

private:
    double Now() const;
    void ReadInput();
    void QueueOutput();
    void WriteDue();
    // Writes the zeros of a flood that are due, and wakes for the next.
    void Flood();
    // Calls QueueOutput after `seconds`; never, without a time.
    void WakeAfter(std::optional<double> seconds);

    SimDevice &device_;
    LinePacer pacer_;
    std::function<void()> afterReceive_;
    QElapsedTimer clock_;
    int fd_ = -1;
    std::function<void()> ended_;
    QSocketNotifier *notifier_ = nullptr; // a child of the server

    int timerFd_ = -1;
    std::unique_ptr<QSocketNotifier> timerNotifier_;
    struct Timed {
        double at;
        char byte;
    };
    std::deque<Timed> pending_;

    bool timing_ = false;
    std::function<void(qsizetype, double)> outputWritten_;
    // Read times of the last ten bytes read: a frame the device
    // completes is always the last ten bytes it was given.
    std::deque<double> recentReads_;
    std::vector<double> frameReadTimes_;
    qsizetype burstBytes_ = 0;
    qint64 floodAfter_ = 0;
    qint64 written_ = 0;
    // Paced: when the flood began and how many zeros it has sent.
    std::optional<double> floodStart_;
    qint64 floodSent_ = 0;
};

} // namespace ksr::sim
