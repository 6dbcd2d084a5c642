#pragma once
// Runs the ksr704-sim program as a child process for tests and benchmarks:
// starts it, reads the terminal path it prints and ends it again. POSIX only.

#include "sim/SimDevice.h" // answers come SimDevice::ReplyTurnaround after a frame

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <csignal>

namespace ksr::sim {

class SimProcess {
public:
    static constexpr int DefaultTimeoutMs = 5000;

#ifdef KSR704_SIM_PATH
    // The program the build defined as KSR704_SIM_PATH.
    SimProcess()
        : SimProcess(QStringLiteral(KSR704_SIM_PATH))
    {
    }
#endif
    explicit SimProcess(QString program);
    // The options that serve the device on a free loopback TCP port instead
    // of a terminal; PortPath() is then its tcp:// address.
    static QStringList TcpLoopback() { return {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:0")}; }
    // Ends the simulator if it still runs: SIGTERM, then kill.
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Starts the simulator and waits for the path it prints; false when it
    // printed none in time. Without a --link of the caller's it gets one in a
    // private folder; with --tcp the path is the tcp:// address it serves.
    bool Start(const QStringList &arguments, int timeoutMs = DefaultTimeoutMs);
    // The terminal, or the tcp:// address, the simulator printed.
    QString DevicePath() const { return path_; }
    // The path clients open: the symbolic link, which goes when the simulator
    // ends, so that a client reopening it never reaches another simulator that
    // got the freed terminal's number.
    QString PortPath() const { return linkPath_.isEmpty() ? path_ : linkPath_; }
    // Sends `endSignal` and waits; true when the simulator ended normally
    // with exit code 0.
    bool Stop(int endSignal = SIGTERM, int timeoutMs = DefaultTimeoutMs);
    QProcess &Process() { return process_; }

private:
    QString program_;
    QProcess process_;
    QString path_;
    QTemporaryDir linkFolder_;
    QString linkPath_;
};

} // namespace ksr::sim
