#pragma once
// A serial port wired in-process to simulated devices, on a virtual clock.
// Port numbers given a device or marked silent open; all others fail.
// Unpaced (the default), writes reach the device instantly and its answers
// arrive at their due times; paced, every byte takes its time on the line
// both ways, as on a real 4800 baud line. Answers go into a receive buffer
// of the set size, and what does not fit is lost.

#include "core/SerialPort.h"
#include "sim/LinePacer.h"
#include "sim/VirtualClock.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>

#include <deque>
#include <functional>
#include <optional>

namespace ksr::sim {

class SimDevice;

class InProcessPort final : public ksr::SerialPort {
public:
    static constexpr int DefaultReceiveSize = 10;

    explicit InProcessPort(VirtualClock &clock);

    // Port `portNumber` opens and talks to `device` (not owned).
    void AttachDevice(int portNumber, SimDevice *device);
    // Port `portNumber` opens but nothing answers on it.
    void AddSilentPort(int portNumber);

    bool Open(int number) override;
    void Close() override;
    bool IsOpen() const override { return open_; }
    bool SetReceiveSize(int bytes) override;
    bool Write(const QByteArray &bytes) override;
    int BytesWaiting() override;
    QByteArray Read(int count) override;
    void DiscardInput() override;
    QByteArray DiscardUntil(double t) override;
    qint64 BytesArrived() const override { return arrived_; }
    bool WaitForBytes(int count, double deadline) override;
    double LineByteSeconds() const override { return pacer_.ByteSeconds(); }

    // Paces every byte at `byteSeconds` each way from now on (0: unpaced).
    void SetLinePace(double byteSeconds);

    // Every write that was sent, with its virtual time.
    const QList<QByteArray> &Writes() const { return writes_; }
    const QList<double> &WriteTimes() const { return writeTimes_; }
    void ClearWrites();
    int ReceiveSize() const { return receiveSize_; }
    // The number last opened, 0 when none was.
    int PortNumber() const { return number_; }

    // The adapter of the port last opened is pulled: the port closes, writes
    // fail, it no longer opens and nothing arrives from it.
    void Vanish();
    // The pulled adapter is back: its port opens again.
    void Reappear() { vanished_.clear(); }
    // Told when the port vanishes while open, as a system port tells of a
    // line that fails while nothing waits on it.
    void SetFailureHandler(std::function<void()> handler) override { failureHandler_ = std::move(handler); }
    // The next `count` writes fail without sending anything.
    void FailNextWrites(int count) { failWrites_ = count; }
    // Every write for which `fails` returns true fails without sending.
    void FailWritesWhere(std::function<bool(const QByteArray &)> fails) { failWhere_ = std::move(fails); }
    // `bytes` arrive in the receive path at virtual time `at`.
    void InjectBytes(const QByteArray &bytes, double at);
    // Runs at the start of every wait for bytes, where the system port runs
    // its event loop: a test puts there what happens while the link waits.
    void SetWaitHook(std::function<void()> hook) { waitHook_ = std::move(hook); }

private:
    // Moves what has arrived by now into the receive buffer.
    void TakeIn();
    void Arrive(const QByteArray &bytes);
    std::optional<double> NextArrival() const;
    SimDevice *Device() const;
    // Writes `bytes` to the device, each arriving when the line has carried it.
    void Deliver(SimDevice &device, const QByteArray &bytes);

    VirtualClock &clock_;
    std::function<void()> waitHook_;
    std::function<void()> failureHandler_;
    QMap<int, SimDevice *> devices_;
    QSet<int> silentPorts_;
    QSet<int> vanished_;
    QMap<double, QByteArray> injected_;
    int number_ = 0;
    bool open_ = false;
    int receiveSize_ = DefaultReceiveSize;
    QByteArray buffer_;
    qint64 arrived_ = 0;
    int failWrites_ = 0;
    std::function<bool(const QByteArray &)> failWhere_;
    QList<QByteArray> writes_;
    QList<double> writeTimes_;
    // Paced: the device's output on its way, each byte with its arrival time.
    struct LineByte {
        double at;
        char byte;
    };
    LinePacer pacer_{0.0};
    LinePacer toDevice_{0.0};
    std::deque<LineByte> line_;
};

} // namespace ksr::sim
