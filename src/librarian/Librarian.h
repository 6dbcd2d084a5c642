#pragma once
// The commands of ksr704-cli on the device: finding it, then list, backup,
// restore, save, load or store, each returning the program's exit status.
// Inputs are checked before the device is looked for, so that a refusal
// sends nothing.

#include "librarian/BackupFolder.h"
#include "librarian/CliOptions.h"
#include "librarian/CliProgress.h"
#include "librarian/CliSeams.h"

#include "core/Clock.h"
#include "core/State.h"
#include "link/SerialLink.h"
#include "link/SystemSerialPort.h"
#include "operations/DevicePresets.h"
#include "operations/MemoryControls.h"
#include "operations/ParameterSending.h"
#include "operations/PresetFiles.h"
#include "operations/PresetMemory.h"

#include <optional>
#include <vector>

namespace ksr {

class Librarian {
public:
    Librarian(const CliOptions &options, CliProgress &progress);

    // Runs the command of the options.
    int Run();

private:
    // A preset to store into user entry `entry` (05..20) under `name`.
    struct PresetInput {
        int entry = 0;
        QString name;
        PresetImageArray image{};
    };
    // A user slot as device memory holds it.
    struct SlotContents {
        QByteArray name; // the 8 stored bytes
        PresetImageArray image{};
    };

    int List();
    int Backup();
    int Restore();
    int Save();
    int Load();
    int Store();

    // Probes the chosen port, or init.cfg's and then 1..35; ExitOk when
    // found, else ExitNoDevice with a message naming what was tried.
    int FindDevice();
    // The image of a preset file of exactly 161 bytes whose fields all lie in
    // the device's ranges; empty, with a message, when the file cannot be
    // read or is refused.
    std::optional<PresetImageArray> ReadPresetInput(const QString &path);
    // The preset file of the options into `image`, then the device; ExitOk
    // when both are there, else the exit status (the file first: a refused
    // file sends nothing).
    int FileAndDevice(PresetImageArray *image);
    // Writes a preset file atomically; false, with a message, on failure.
    bool WritePresetFile(const QString &path, const PresetImageArray &image);
    // Reads a user slot's 160 data bytes and 8 name bytes from memory, each
    // confirmed; none after "Time out".
    std::optional<SlotContents> ReadSlot(int entry);
    // The device's current settings, two block reads that agree (byte 160
    // zero); none, told on stderr, when they could not be read so.
    std::optional<PresetImageArray> ReadCurrentSettings();
    // Stores `inputs` into their slots, reading each back unless told not
    // to; ExitTimeOut when the device stopped or holds other bytes.
    int StoreAll(const std::vector<PresetInput> &inputs, const std::vector<int> &emptied);
    // Reads back `expected` from `address` on: the first address whose byte
    // two agreeing reads found different, -1 when all are as expected, none
    // after "Time out".
    std::optional<int> FirstDifference(int address, const QByteArray &expected);
    // Reads back the data, name and marker of `input`'s slot; false, told on
    // stderr, when the device holds something else or stopped.
    bool VerifyStored(const PresetInput &input);
    // True once "Time out" has ended the run (its message is out); then
    // `what` is told as well.
    bool Ended(const QString &what);

    const CliOptions &options_;
    CliProgress &progress_;
    SteadyClock clock_;
    SystemSerialPort port_;
    CliDialogs dialogs_;
    CliProgramEnd end_;
    AppState state_;
    SerialLink link_;
    MemoryControls controls_;
    NoCurves curves_;
    NoWindows windows_;
    ParameterSender sender_;
    PresetMemory memory_;
    DevicePresets presets_;
    PresetFiles files_;
};

} // namespace ksr
