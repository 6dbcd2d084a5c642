// An arbitrary file's bytes read as a preset file and, when taken, loaded
// into the editor as loading a file does (in demo mode: nothing to send).

#include "FuzzRig.h"

#include "core/PresetFile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ksr::fuzz::FuzzRig &rig = ksr::fuzz::SharedRig();
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const ksr::PresetFileRead read = ksr::ParsePresetFile(bytes);
    if (!read.image)
        return 0;
    // Written back, the image is the file's first 161 bytes again.
    if (ksr::PresetFileBytes(*read.image) != bytes.left(ksr::PresetImageBytes))
        __builtin_trap();
    rig.state.DemoMode = true;
    rig.presetFiles.ShowLoadedPreset(*read.image, QStringLiteral("fuzz.Fbk"));
    rig.RestoreStart();
    rig.EndRun();
    return 0;
}
