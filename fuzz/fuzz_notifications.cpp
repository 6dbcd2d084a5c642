// A device notification of any content while a search runs: its first seven
// bytes as the link leaves them in RxBuffer, taken into the editor.

#include "FuzzRig.h"

#include "operations/Notifications.h"

#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ksr::fuzz::FuzzRig &rig = ksr::fuzz::SharedRig();
    auto &rx = rig.state.RxBuffer;
    std::fill_n(rx.begin(), 7, std::uint8_t{0});
    std::copy_n(data, std::min<std::size_t>(size, 7), rx.begin());
    rig.state.SearchActive = true;
    ksr::HandleNotification(rig.state, rig.controls, rig.sender, rig.graph);
    rig.state.SearchActive = false;
    rig.EndRun();
    return 0;
}
