// A device notification of any content while a search runs.

#include "FuzzProgram.h"

#include "operations/Notifications.h"

#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ksr::fuzz::FuzzProgram &p = ksr::fuzz::SharedProgram();
    p.program.State().SearchActive = true;
    p.port.InjectBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(std::min<std::size_t>(size, 64))),
                       p.clock.NowSeconds());
    p.program.PollNotifications();
    p.program.State().SearchActive = false;
    p.port.DiscardInput();
    p.EndRun();
    return 0;
}
