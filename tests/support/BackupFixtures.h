#pragma once
// What the tests of backups and restores share: ksr704-cli run as a child
// process, files and folders read whole, presets the device takes, and
// simulator state files holding them.

#include "FileBytes.h"

#include "core/Tables.h"
#include "sim/DeviceMemory.h"
#include "sim/SimDevice.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>

#include <array>

namespace ksr::test {

using ksr::sim::SimDevice;

struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

// Runs ksr704-cli with `arguments` in `folder`, KSR704_PORTS set to `ports`.
inline CliRun RunCli(const QStringList &arguments, const QString &folder, const QString &ports = {})
{
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KSR704_PORTS"), ports);
    cli.setProcessEnvironment(env);
    cli.setWorkingDirectory(folder);
    cli.start(QStringLiteral(KSR704_CLI_PATH), arguments);
    // A run that hangs is ended and counts as no status at all.
    bool finished = cli.waitForFinished(120000);
    if (!finished) {
        cli.kill();
        cli.waitForFinished();
    }
    return {finished && cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1,
            QString::fromLocal8Bit(cli.readAllStandardOutput()), QString::fromLocal8Bit(cli.readAllStandardError())};
}

// Every entry of `folder`, hidden ones and those of its subfolders too, with
// the bytes of each regular file ("<folder>" for a folder, "<other>" for
// anything else, a FIFO say, which is not read).
inline QMap<QString, QByteArray> FolderContents(const QString &folder)
{
    QMap<QString, QByteArray> contents;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        contents.insert(QDir(folder).relativeFilePath(path), info.isDir()    ? QByteArray("<folder>")
                                                             : info.isFile() ? ReadAll(path)
                                                                             : QByteArray("<other>"));
    }
    return contents;
}

// A preset the device takes, told apart by `seed`: every field varied within
// its range, the bytes carried unchanged counting up from `seed`.
inline QByteArray ValidPreset(int seed)
{
    QByteArray preset(ksr::PresetBytes, '\0');
    for (int m = 0; m < ksr::PresetBytes; ++m)
        preset[m] = static_cast<char>(seed + m);
    for (int c = 0; c < 2; ++c) {
        const auto i = static_cast<std::size_t>(c);
        const int v = seed + c;
        preset[ksr::ReleaseOffset[i]] = static_cast<char>(v % 2);
        preset[ksr::SearchModeOffset[i]] = static_cast<char>((v + 1) % 2);
        preset[ksr::AutoCountOffset[i]] = static_cast<char>(1 + v % 12);
        preset[ksr::AutoQOffset[i]] = static_cast<char>(v % 4);
        preset[ksr::AttenuationOffset[i]] = static_cast<char>(v % 2);
        preset[ksr::SensitivityOffset[i]] = static_cast<char>(v % 16);
        for (int n = 0; n < ksr::FiltersPerChannel; ++n) {
            const int at = ksr::NotchOffset[static_cast<std::size_t>(c * ksr::FiltersPerChannel + n)];
            const int frequency = (v * 37 + n * 61) % ksr::FrequencyCount;
            preset[at] = static_cast<char>((v + n) % 46);
            preset[at + 1] = static_cast<char>(frequency / 256);
            preset[at + 2] = static_cast<char>(frequency % 256);
            preset[at + 3] = static_cast<char>((v + n) % 4);
        }
    }
    return preset;
}

// A device whose user slots are `names` (8 bytes each; empty: slot empty),
// each slot holding ValidPreset(seed + slot).
inline QByteArray StateWith(const std::array<QByteArray, ksr::sim::UserSlots> &names, int seed)
{
    SimDevice device;
    for (int slot = 0; slot < ksr::sim::UserSlots; ++slot) {
        const QByteArray &name = names[static_cast<std::size_t>(slot)];
        device.SetMemoryByte(ksr::sim::UsedMarkerBase + slot, name.isEmpty() ? 0x00 : ksr::sim::UsedMarker);
        for (int i = 0; i < ksr::sim::NameBytes && !name.isEmpty(); ++i)
            device.SetMemoryByte(ksr::sim::SlotNameAddress(slot) + i, static_cast<std::uint8_t>(name[i]));
        const QByteArray preset = ValidPreset(seed + slot);
        for (int m = 0; m < ksr::PresetBytes; ++m)
            device.SetMemoryByte(ksr::sim::SlotPresetAddress(slot) + m, static_cast<std::uint8_t>(preset[m]));
    }
    return device.SaveState();
}

// The memory of a state file, as the simulator keeps it.
inline QByteArray MemoryOf(const QByteArray &state)
{
    return state.mid(10, ksr::sim::MemoryBytes);
}

} // namespace ksr::test
