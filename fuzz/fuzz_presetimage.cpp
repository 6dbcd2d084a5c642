// Applying an arbitrary 161-byte preset image to the editor.

#include "FuzzProgram.h"

#include "operations/ApplyPresetImage.h"

#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ksr::fuzz::FuzzProgram &p = ksr::fuzz::SharedProgram();
    auto &image = p.program.State().PresetImage;
    image.fill(0);
    std::copy_n(data, std::min(size, image.size()), image.begin());
    p.program.State().SendSuppressed = true;
    p.program.ApplyPresetImage();
    p.program.State().SendSuppressed = false;
    p.EndRun();
    return 0;
}
