#pragma once
// A simulator at 4800 baud in a folder of its own, the port to it, and the
// programs started against it.

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

#include "BenchSupport.h"
#include "FullDeviceState.h"
#include "link/SystemSerialPort.h"
#include "shell/Program.h"
#include "sim/SimProcess.h"

namespace ksr::bench {

struct BenchDevice {
    QTemporaryDir folder;
    sim::SimProcess sim;
    SteadyClock clock;
    std::unique_ptr<SystemSerialPort> port;
    AutoDialogs dialogs;
    NoteEnd end;

    // Starts the simulator on `state` with `extra` options, and makes its
    // folder the current one; false when it did not start.
    bool Open(const QStringList &extra, const QByteArray &state = FullDeviceState())
    {
        if (!StartSimAt4800(sim, folder, state, extra))
            return false;
        QDir::setCurrent(folder.path());
        port = std::make_unique<SystemSerialPort>(clock, [path = sim.PortPath()](int) { return path; });
        return true;
    }
    // A program started against the simulator; none when it did not find it.
    std::unique_ptr<Program> StartProgram()
    {
        // The view's choices in the bench's folder, never the user's.
        auto program = std::make_unique<Program>(*port, clock, dialogs, end, folder.filePath(QStringLiteral("view.ini")));
        program->SplashForm_Load();
        program->SplashTimer1_Timer();
        if (program->State().DemoMode || end.ended) {
            std::fprintf(stderr, "no device on %s\n", qPrintable(sim.PortPath()));
            return nullptr;
        }
        return program;
    }
    // False, with the messages on stderr, when a message box came or the program ended.
    bool Quiet() const
    {
        if (dialogs.texts.isEmpty() && !end.ended)
            return true;
        std::fprintf(stderr, "unexpected messages: %s\n", qPrintable(dialogs.texts.join(QLatin1Char('|'))));
        return false;
    }
};

} // namespace ksr::bench
