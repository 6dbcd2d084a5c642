// The memory dump answered by an arbitrary stream of device bytes.

#include "FuzzRig.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ksr::fuzz::FuzzRig &rig = ksr::fuzz::SharedRig();
    // The device stays silent; the fuzz bytes arrive over the dump's first
    // moments instead, then the dump's own time-outs end it.
    ksr::sim::Faults silent;
    silent.silentReplies = -1;
    rig.device.SetFaults(silent);
    const double start = rig.clock.NowSeconds();
    double last = start;
    for (std::size_t i = 0; i < size; i += 16) {
        last = start + 0.01 * double(i / 16);
        rig.port.InjectBytes(QByteArray(reinterpret_cast<const char *>(data) + i, qsizetype(std::min<std::size_t>(16, size - i))),
                             last);
    }
    rig.presets.DumpDeviceMemory();
    rig.device.SetFaults({});
    // A dump that ended before the stream did leaves none of it to the next run.
    rig.clock.AdvanceTo(last);
    rig.port.DiscardInput();
    rig.RestoreStart();
    rig.EndRun();
    return 0;
}
