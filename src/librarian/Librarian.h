#pragma once
// The commands of ksr704-cli on the device: finding it, then list, backup,
// restore, save, load or store, each returning the program's exit status.
// Inputs are checked before the device is looked for, so that a refusal
// sends nothing.

#include "operations/BackupFolder.h"
#include "librarian/CliOptions.h"
#include "librarian/CliProgress.h"
#include "librarian/CliSeams.h"

#include "core/Clock.h"
#include "core/State.h"
#include "link/SerialLink.h"
#include "link/SystemSerialPort.h"
#include "operations/DeviceLibrary.h"
#include "operations/DevicePresets.h"
#include "operations/ParameterSending.h"
#include "operations/MemoryReads.h"
#include "operations/PresetFiles.h"
#include "operations/PresetModel.h"

#include <optional>
#include <vector>

namespace ksr {

class Librarian {
public:
    Librarian(const CliOptions &options, CliProgress &progress);

    // Runs the command of the options.
    int Run();

private:
    int List();
    int Backup();
    int Restore();
    int Save();
    int Load();
    int Store();

    // Probes the chosen port, or init.cfg's and then 1..35; ExitOk when
    // found, else ExitNoDevice with a message naming what was tried.
    int FindDevice();
    // The image of a preset file the device takes; empty, with a message,
    // when the file cannot be read or is refused.
    std::optional<PresetImageArray> ReadPresetInput(const QString &path);
    // The preset file of the options into `image`, then the device; ExitOk
    // when both are there, else the exit status (the file first: a refused
    // file sends nothing).
    int FileAndDevice(PresetImageArray *image);
    // Writes a preset file atomically; false, with a message, on failure.
    bool WritePresetFile(const QString &path, const PresetImageArray &image);
    // The exit status of a backup or restore's outcome, its messages told.
    int Report(const LibraryOutcome &outcome);
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
    PresetModel model_;
    ParameterSender sender_;
    DevicePresets presets_;
    PresetFiles files_;
    DeviceLibrary library_;
};

} // namespace ksr
