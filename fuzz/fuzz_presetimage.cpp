// Applying an arbitrary 161-byte preset image to the editor.

#include "FuzzRig.h"

#include "operations/ApplyPresetImage.h"

#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ksr::fuzz::FuzzRig &rig = ksr::fuzz::SharedRig();
    auto &image = rig.state.PresetImage;
    image.fill(0);
    std::copy_n(data, std::min(size, image.size()), image.begin());
    rig.state.SendSuppressed = true;
    ksr::ApplyPresetImage(rig.state, rig.controls, rig.sender, rig.graph);
    rig.RestoreStart();
    rig.EndRun();
    return 0;
}
