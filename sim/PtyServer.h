#pragma once
// Serves a SimDevice on a pseudo-terminal. Bytes from the terminal reach the
// device paced like a serial line, and its output goes back the same way.
// The server keeps a descriptor of the terminal's own side open, so a client
// can close and reopen the port without the server seeing a hang-up.

#include "sim/LinePacer.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace ksr::sim {

class SimDevice;

class PtyServer : public QObject {
public:
    // `byteSeconds` 0: no pacing (but no frame taken in, and no byte sent
    // back, faster than the program's 4800 baud line could carry it).
    // `afterReceive` runs after each batch of received bytes has been handed
    // to the device.
    PtyServer(SimDevice &device, double byteSeconds, std::function<void()> afterReceive);
    ~PtyServer() override;

    // Opens the terminal; false with `error` set on failure.
    bool Start(QString *error);
    // The path a client opens, e.g. /dev/pts/3.
    QString DevicePath() const { return path_; }

    // When set, the server notes for each frame the device completes the
    // steady-clock time (seconds) at which its first byte was read, and
    // calls `outputWritten` with the byte count and time whenever a write
    // leaves no output pending: the end of an answer, block or report.
    void SetTiming(std::function<void(qsizetype bytes, double steadySeconds)> outputWritten);
    // The first-byte times of the frames completed since the last call, in
    // the order of SimDevice::ReceivedFrames().
    std::vector<double> TakeFrameReadTimes() { return std::exchange(frameReadTimes_, {}); }

private:
    double Now() const;
    void ReadInput();
    void QueueOutput();
    void WriteDue();
    // Calls QueueOutput after `seconds`; never, without a time.
    void WakeAfter(std::optional<double> seconds);

    SimDevice &device_;
    LinePacer pacer_;
    std::function<void()> afterReceive_;
    QElapsedTimer clock_;
    int master_ = -1;
    int slave_ = -1;
    QString path_;
    std::unique_ptr<QSocketNotifier> notifier_;
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
};

} // namespace ksr::sim
