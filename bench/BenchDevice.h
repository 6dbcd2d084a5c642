#pragma once
// A simulator at 4800 baud in a folder of its own, the port to it, and the
// program started against it: the tests' whole-program rig on the
// simulator's line, with dialogs that answer by themselves.

#include <QDir>

#include <cstdio>

#include "BenchSupport.h"
#include "FullDeviceState.h"
#include "support/SimulatorRig.h"

namespace ksr::bench {

// The port reaches the simulator directly: the library's figures run two at once.
struct BenchDevice : test::BasicProgramRig<test::SimulatorLine, AutoDialogs, NoteEnd> {
    BenchDevice() { ports = test::SimPorts::Direct; }

    // Starts the simulator on `state` with `extra` options, and makes its
    // folder the current one; false when it did not start.
    bool Open(const QStringList &extra, const QByteArray &state = FullDeviceState())
    {
        if (!StartSimAt4800(sim, folder, state, extra))
            return false;
        QDir::setCurrent(folder.path());
        return true;
    }
    // The program started against the simulator; none when it did not find it.
    Program *StartProgram()
    {
        Start();
        if (program.State().DemoMode || end.ended) {
            std::fprintf(stderr, "no device on %s\n", qPrintable(sim.PortPath()));
            return nullptr;
        }
        return &program;
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
