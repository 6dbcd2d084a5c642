// Device bytes of any content arriving while a search runs: taken off the
// link as a report, taken into the editor and acknowledged.

#include "FuzzRig.h"

#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ksr::fuzz::FuzzRig &rig = ksr::fuzz::SharedRig();
    rig.port.InjectBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(std::min<std::size_t>(size, 64))),
                         rig.clock.NowSeconds());
    rig.state.SearchActive = true;
    rig.reports.PollNotifications();
    rig.state.SearchActive = false;
    rig.port.DiscardInput();
    rig.EndRun();
    return 0;
}
