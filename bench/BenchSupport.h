#pragma once
// What the benchmark needs around the program: dialogs that answer by
// themselves, a port that notes when each write has left, the process's CPU
// time, medians, and the rows of ksr704-bench's table.

#include "core/Clock.h"
#include "core/ProgramEnd.h"
#include "core/SerialPort.h"
#include "core/UserDialogs.h"

#include "sim/SimProcess.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace ksr::bench {

class AutoDialogs final : public UserDialogs {
public:
    QStringList texts;
    QString openFileName;
    QString folderName;
    MessageAnswer ShowMessage(const MessageRequest &request) override
    {
        texts << request.text;
        return request.buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
    QString GetOpenFileName(const FileDialogRequest &) override { return openFileName; }
    QString GetSaveFileName(const FileDialogRequest &) override { return {}; }
    QString GetFolderName(const FolderDialogRequest &) override { return folderName; }
};

class NoteEnd final : public ProgramEnd {
public:
    bool ended = false;
    void EndProgram(int) override { ended = true; }
};

// Forwards to a port and notes the clock time at which each write returned.
class TimingPort final : public SerialPort {
public:
    TimingPort(SerialPort &port, Clock &clock) : port_(port), clock_(clock) {}
    double lastWriteDone = 0;

    bool Open(int number) override { return port_.Open(number); }
    void Close() override { port_.Close(); }
    bool IsOpen() const override { return port_.IsOpen(); }
    bool SetReceiveSize(int bytes) override { return port_.SetReceiveSize(bytes); }
    bool Write(const QByteArray &bytes) override
    {
        const bool ok = port_.Write(bytes);
        lastWriteDone = clock_.NowSeconds();
        return ok;
    }
    int BytesWaiting() override { return port_.BytesWaiting(); }
    QByteArray Read(int count) override { return port_.Read(count); }
    void DiscardInput() override { port_.DiscardInput(); }
    QByteArray DiscardUntil(double t) override { return port_.DiscardUntil(t); }
    qint64 BytesArrived() const override { return port_.BytesArrived(); }
    bool WaitForBytes(int count, double deadline) override { return port_.WaitForBytes(count, deadline); }
    double LineByteSeconds() const override { return port_.LineByteSeconds(); }
    void SetArrivalHandler(std::function<void()> handler) override { port_.SetArrivalHandler(std::move(handler)); }

private:
    SerialPort &port_;
    Clock &clock_;
};

// User and system CPU time of this process, in seconds.
inline double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Starts `sim` at 4800 baud on `state`, kept in `folder`, with `extra`
// options; false, with a message, when it did not start.
inline bool StartSimAt4800(sim::SimProcess &sim, const QTemporaryDir &folder, const QByteArray &state,
                           const QStringList &extra = {})
{
    const QString statePath = folder.filePath(QStringLiteral("sim-state"));
    QFile file(statePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(state) < 0)
        return false;
    file.close();
    if (!sim.Start(QStringList{QStringLiteral("--baud"), QStringLiteral("4800"), QStringLiteral("--state"), statePath}
                   + extra)) {
        std::fprintf(stderr, "ksr704-sim did not start\n");
        return false;
    }
    return true;
}

// One row of ksr704-bench's table.
inline void Row(const char *figure, const QString &value, const QString &goal)
{
    std::printf("%-44s %16s   %s\n", figure, qPrintable(value), qPrintable(goal));
    std::fflush(stdout);
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

inline double Worst(const std::vector<double> &values)
{
    return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

} // namespace ksr::bench
