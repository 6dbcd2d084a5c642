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
        link.SetPortNumber(DevicePort);
        link.SetPortUsable(true);
        link.OpenPort();
    }

    // The frames written to the port, one entry per write.
    QList<QByteArray> Writes() const { return port.Writes(); }
};

// Zeros without pause from `from` on, for `seconds`: 4 KiB every 0.2 ms,
// far more than any answer, as a broken device server sends them.
inline void InjectFlood(sim::InProcessPort &port, double from, double seconds)
{
    const QByteArray zeros(4096, '\0');
    for (double at = from; at < from + seconds; at += 0.0002)
        port.InjectBytes(zeros, at);
}

inline QByteArray FrameBytes(const Frame &frame)
{
    return QByteArray(reinterpret_cast<const char *>(frame.data()), static_cast<qsizetype>(frame.size()));
}

} // namespace ksr::test
