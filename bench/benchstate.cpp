// ksr704-benchstate: writes what scripts/xbench starts from: a simulator
// state file with all sixteen user slots used (named Slot1 .. Slot16), and
// a preset file (161 bytes) holding fixed preset 1, which differs from the
// device's current settings, so that loading it changes every parameter.
//
//   ksr704-benchstate STATE-FILE PRESET-FILE

#include "FullDeviceState.h"
#include "sim/FixedPresets.h"
#include "sim/SimDevice.h"

#include <QByteArray>
#include <QFile>

#include <cstdio>

using namespace ksr;

namespace {

bool Write(const char *path, const QByteArray &bytes)
{
    QFile file(QString::fromLocal8Bit(path));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size())
        return true;
    std::fprintf(stderr, "ksr704-benchstate: cannot write %s\n", path);
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fputs("usage: ksr704-benchstate STATE-FILE PRESET-FILE\n", stderr);
        return 2;
    }
    const sim::Preset &preset = sim::FixedPreset(1);
    QByteArray file(reinterpret_cast<const char *>(preset.data()), static_cast<qsizetype>(preset.size()));
    file.append(char(0)); // the byte files carry beyond the device's 160
    if (file.size() != PresetImageBytes) {
        std::fprintf(stderr, "ksr704-benchstate: a preset file is %d bytes, not %lld\n", PresetImageBytes,
                     static_cast<long long>(file.size()));
        return 1;
    }
    return Write(argv[1], bench::FullDeviceState()) && Write(argv[2], file) ? 0 : 1;
}
