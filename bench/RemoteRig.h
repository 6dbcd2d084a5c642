#pragma once
// What ksr704-remotebench runs and reads: ksr704-sim at 4800 baud with its
// timed log kept line by line, the shipped ksr704-remote on the offscreen
// platform with its stage remote on 127.0.0.1, and the program's CPU time
// and resident memory from /proc.

#include "sim/SimProcess.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <vector>

namespace ksr::bench {

// The simulator's timed log as it comes: when it sent device reports (the
// output that answered no frame; an acknowledgement, code 30, gets no
// answer) and how many frames it received.
class SimLog {
public:
    void Take(const QByteArray &line);
    // CLOCK_MONOTONIC seconds of each report's last byte, oldest first.
    const std::vector<double> &ReportTimes() const { return reports_; }
    int Frames() const { return frames_; }
    // The report whose time stamp is nearest `t` among the last at or
    // before it and the first within 20 ms after it (a report's stamp,
    // taken after its last byte was written, can come late: the write may
    // hand the core to the program first); 0 when none.
    double ReportNearest(double t) const;
    // Reports sent within [from, to].
    int ReportsWithin(double from, double to) const;

private:
    std::vector<double> reports_;
    int frames_ = 0;
    bool answerDue_ = false;
};

class RemoteRig {
public:
    RemoteRig();
    ~RemoteRig();
    RemoteRig(const RemoteRig &) = delete;
    RemoteRig &operator=(const RemoteRig &) = delete;

    // Starts the simulator (reporting every `reportMs` while searching) and
    // the program with the remote on 127.0.0.1; waits for its links. False,
    // with a message on stderr, when either did not come up.
    bool Start(int reportMs);
    // Also writes the simulator's log to `path`, line by line.
    bool KeepLogIn(const QString &path);

    quint16 Port() const { return port_; }
    QString Origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }
    QString ControlToken() const { return controlToken_; }
    QString WatchToken() const { return watchToken_; }
    qint64 ProgramPid() const { return program_.processId(); }
    bool ProgramRuns() const { return program_.state() == QProcess::Running; }
    const SimLog &Log() const { return log_; }

private:
    void ReadSim();
    void ReadProgram();

    QTemporaryDir folder_;
    sim::SimProcess sim_;
    QProcess program_;
    SimLog log_;
    QFile logFile_;
    QByteArray simPartial_;
    QByteArray programOut_;
    quint16 port_ = 0;
    QString controlToken_;
    QString watchToken_;
};

// Run time of all the threads of process `pid`, in seconds, from
// /proc/PID/task/*/schedstat; negative when it cannot be read.
double ThreadsCpuSeconds(qint64 pid);
// Resident memory of process `pid` in KiB (VmRSS); negative when unknown.
qint64 ResidentKiB(qint64 pid);
// A TCP port on 127.0.0.1 that was free a moment ago.
quint16 FreeLoopbackPort();

} // namespace ksr::bench
