// The memory dump answered by an arbitrary stream of device bytes.

#include "FuzzProgram.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ksr::fuzz::FuzzProgram &p = ksr::fuzz::SharedProgram();
    // The device stays silent; the fuzz bytes arrive over the dump's first
    // moments instead, then the dump's own time-outs end it.
    ksr::sim::Faults silent;
    silent.silentReplies = -1;
    p.device.SetFaults(silent);
    const double start = p.clock.NowSeconds();
    for (std::size_t i = 0; i < size; i += 16)
        p.port.InjectBytes(QByteArray(reinterpret_cast<const char *>(data) + i, qsizetype(std::min<std::size_t>(16, size - i))),
                           start + 0.01 * double(i / 16));
    p.program.State().ProgramEnding = false;
    p.program.Memory().DumpDeviceMemory();
    p.program.State().ProgramEnding = false;
    p.device.SetFaults({});
    p.port.DiscardInput();
    p.EndRun();
    return 0;
}
