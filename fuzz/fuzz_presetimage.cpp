// Taking an arbitrary 161-byte preset image in as a loaded file.

#include "FuzzRig.h"

#include "operations/ApplyPresetImage.h"

#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ksr::fuzz::FuzzRig &rig = ksr::fuzz::SharedRig();
    ksr::PresetImageArray image{};
    std::copy_n(data, std::min(size, image.size()), image.begin());
    rig.state.SendSuppressed = true;
    ksr::ApplyPresetImage(rig.model, rig.sender, image, rig.model.Source(), rig.model.Name(),
                          ksr::ChangeOrigin::FileLoad);
    rig.RestoreStart();
    rig.EndRun();
    return 0;
}
