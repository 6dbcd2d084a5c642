#pragma once
// A serial link wired to the in-process simulated KSR-704 on port 1, with the
// virtual clock, scripted dialogs and a recorded program end.

#include "ScriptedDialogs.h"

#include "link/SerialLink.h"
#include "core/State.h"
#include "sim/InProcessPort.h"
#include "sim/SimDevice.h"
#include "sim/VirtualClock.h"

namespace ksr::test {

struct LinkRig {
    AppState state;
    sim::VirtualClock clock;
    sim::SimDevice device;
    sim::InProcessPort port{clock};
    ScriptedDialogs dialogs;
    RecordingProgramEnd end;
    SerialLink link{state, port, clock, dialogs, end};

    static constexpr int DevicePort = 1;

    LinkRig()
    {
        port.AttachDevice(DevicePort, &device);
        state.PortNumber = DevicePort;
        state.PortUsable = true;
        link.OpenPort();
    }

    // The frames written to the port, one entry per write.
    QList<QByteArray> Writes() const { return port.Writes(); }
};

inline QByteArray FrameBytes(const Frame &frame)
{
    return QByteArray(reinterpret_cast<const char *>(frame.data()), static_cast<qsizetype>(frame.size()));
}

} // namespace ksr::test
