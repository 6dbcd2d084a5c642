// Loading an arbitrary file as a preset file.

#include "FuzzProgram.h"

#include <QFile>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ksr::fuzz::FuzzProgram &p = ksr::fuzz::SharedProgram();
    const QString path = p.folder.filePath(QStringLiteral("fuzz.Fbk"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    p.dialogs.openFileName = path;
    p.program.State().DemoMode = true; // nothing to send: the file is what is tried
    p.program.Files().LoadPresetFromPc();
    p.program.State().DemoMode = false;
    p.EndRun();
    return 0;
}
