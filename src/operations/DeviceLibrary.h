#pragma once
// Backing up the device's user presets and current settings into a folder,
// and restoring them from one: the one implementation behind ksr704-cli's
// backup and restore and the main window's. Every byte is read twice and
// taken when both reads agree; every write is read back. The caller finds
// the device first and tells the user the outcome.

#include "core/State.h"
#include "link/SerialLink.h"
#include "operations/BackupFolder.h"
#include "operations/DevicePresets.h"

#include <QString>

#include <optional>
#include <vector>

namespace ksr {

enum class LibraryStatus {
    Done,
    Refused,     // the folder or a file in it refused; nothing sent
    TimedOut,    // "Time out", or the device failed or differed mid-way
    WriteFailed, // a file or folder could not be written
    Cancelled,   // the user stopped it at a safe point
};

struct LibraryOutcome {
    LibraryStatus status = LibraryStatus::Done;
    // What went wrong, one message a line; empty when done or cancelled.
    QString error;
    int presets = 0;     // presets saved, or restored
    int emptied = 0;     // entries marked empty by a restore
    int leftEmpty = 0;   // the entry a cancelled restore left marked empty, else 0
};

// Tells the user how a backup or restore goes, and whether to stop.
class LibraryProgress {
public:
    virtual ~LibraryProgress() = default;
    // A run of `totalBytes` bytes to read or write begins.
    virtual void Begin(int totalBytes) = 0;
    // The entry (05..20) now read or written; 0 for the current settings.
    virtual void SetEntry(int entry) = 0;
    // `count` more bytes are done.
    virtual void Advance(int count = 1) = 0;
    // A preset is done; `line` says what became of it.
    virtual void Finished(const QString &line) = 0;
    // The run is over, done or cut short.
    virtual void End() = 0;
    // True once the user asked to stop: asked between exchanges.
    virtual bool Cancelled() const { return false; }
};

// The seconds a run of `total` bytes has left after `done` of them took
// `elapsed` seconds; none until two seconds have gone by, for a rate to go
// by, or once it is done.
std::optional<int> SecondsLeft(int done, int total, double elapsed);

// A preset to store into user entry `entry` (05..20) under `name`.
struct PresetInput {
    int entry = 0;
    QString name;
    PresetImageArray image{};
};

// What a restore writes: the presets of a backup folder and the entries it
// marks empty.
struct RestorePlan {
    QString folder;
    BackupDirectory directory;
    std::vector<PresetInput> inputs;
    std::vector<int> emptied;
};

// "NN", the entry as the device's display numbers it.
QString EntryText(int entry);
// "1 preset", "5 presets".
QString PresetCount(int count);
// "1 entry", "3 entries".
QString EntryCount(int count);
// The image of a preset file of exactly 161 bytes whose fields all lie in the
// device's ranges; none, with `error` set, when it cannot be read or is refused.
std::optional<PresetImageArray> ReadPresetInput(const QString &path, QString *error);
// Writes a preset file atomically; false, with `error` set, on failure.
bool WritePresetFile(const QString &path, const PresetImageArray &image, QString *error);
// Why no backup can be written to `folder`, found before anything is sent;
// empty when one can.
QString BackupFolderRefusal(const QString &folder);
// The plan to restore `entries` (all sixteen when empty; then the entries
// empty in the backup are marked empty) from backup `folder`. Refused, with
// the message, when the folder holds no complete backup, a named entry is
// empty in it, or a preset file is not one the device takes.
LibraryOutcome ReadRestorePlan(const QString &folder, const std::vector<int> &entries, RestorePlan *plan);

class DeviceLibrary {
public:
    DeviceLibrary(AppState &state, SerialLink &link, DevicePresets &presets);

    // Reads every used user preset, the current settings and the directory
    // into `folder`. The files are staged and moved into place at the end:
    // until then the folder holds what it held, and a backup cut short or
    // cancelled leaves no directory.txt of its own.
    LibraryOutcome Backup(const QString &folder, LibraryProgress &progress);
    // Writes the plan's presets (each read back when `verify`), then marks
    // its empty entries. Cancelled within a preset, that entry stays marked
    // empty; the device's current settings are never touched.
    LibraryOutcome Restore(const RestorePlan &plan, bool verify, LibraryProgress &progress);
    // The device's current settings, two block reads that agree (byte 160
    // zero); none, with `error` set unless "Time out" ended the run.
    std::optional<PresetImageArray> ReadCurrentSettings(QString *error);

private:
    // A user slot as device memory holds it.
    struct SlotContents {
        QByteArray name; // the 8 stored bytes
        PresetImageArray image{};
    };

    // A user slot's data and name bytes, each confirmed; none after "Time
    // out" or once cancelled.
    std::optional<SlotContents> ReadSlot(int entry, LibraryProgress &progress);
    // The outcome `status` with `what` as its message, the run ended.
    LibraryOutcome Failed(LibraryStatus status, const QString &what, LibraryProgress &progress) const;
    // `what`, when "Time out" has ended the run; else nothing more to tell.
    QString IfEnded(const QString &what) const;
    // A run cut short: by "Time out" (`what` told), by the user, or by the
    // device (nothing more to tell).
    LibraryOutcome CutShort(const QString &what, LibraryProgress &progress) const;
    // Reads back `expected` from `address` on: the first address whose byte
    // two agreeing reads found different, -1 when all are as expected, none
    // after "Time out".
    std::optional<int> FirstDifference(int address, const QByteArray &expected, LibraryProgress &progress);
    // Reads back the data, name and marker of `input`'s slot; the outcome of
    // a difference or "Time out", none when all is as written.
    std::optional<LibraryOutcome> VerifyStored(const PresetInput &input, LibraryProgress &progress);
    // Marks `entry` empty and, when `verify`, reads its marker back.
    std::optional<LibraryOutcome> MarkEmpty(int entry, bool verify, LibraryProgress &progress);

    AppState &state_;
    SerialLink &link_;
    DevicePresets &presets_;
};

} // namespace ksr
