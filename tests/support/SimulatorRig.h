#pragma once
// The whole program (ProgramRig.h) on the line a user has: QSerialPort on the
// real clock to ksr704-sim, a child process serving a pseudo-terminal
// through its --link in a private folder, or a TCP port. POSIX only; the
// build defines KSR704_SIM_PATH.

#include "ProgramRig.h"

#include "link/PortNames.h"
#include "link/SystemSerialPort.h"
#include "sim/SimProcess.h"

#include <QByteArray>
#include <QStringList>

namespace ksr::test {

// How ksr704-sim paces its line.
enum class SimPace {
    Unpaced,  // --fast: every answer as soon as it is made
    Line4800, // --baud 4800: every byte as a 4800 baud line takes it
};

// How the program's port numbers reach the simulator.
enum class SimPorts {
    // Through KSR704_PORTS, set while the rig lives, as a user sets it.
    Variable,
    // Every number stands for the simulator, the environment untouched (for
    // two simulators at once).
    Direct,
};

struct SimulatorLine {
    sim::SimProcess sim;
    SteadyClock clock;
    SimPorts ports = SimPorts::Variable;
    SystemSerialPort port{clock, [this](int number) {
                              return ports == SimPorts::Variable ? SystemPortDevicePath(number) : sim.PortPath();
                          }};

    SimulatorLine() = default;
    SimulatorLine(const SimulatorLine &) = delete;
    SimulatorLine &operator=(const SimulatorLine &) = delete;
    ~SimulatorLine()
    {
        if (ports == SimPorts::Variable && started_)
            qunsetenv("KSR704_PORTS");
    }

    // Starts the simulator paced as `pace`, with `extra` options; false when
    // it printed no path in time.
    bool StartSim(SimPace pace, const QStringList &extra = {})
    {
        const QStringList paced = pace == SimPace::Unpaced
                                      ? QStringList{QStringLiteral("--fast")}
                                      : QStringList{QStringLiteral("--baud"), QStringLiteral("4800")};
        if (!sim.Start(paced + extra))
            return false;
        started_ = true;
        if (ports == SimPorts::Variable)
            qputenv("KSR704_PORTS", sim.PortPath().toLocal8Bit());
        return true;
    }

private:
    bool started_ = false;
};

using SimulatorRig = BasicProgramRig<SimulatorLine>;

} // namespace ksr::test
