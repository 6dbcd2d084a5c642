#include "operations/DeviceLibrary.h"

#include "core/AnsiText.h"
#include "core/FileWriting.h"
#include "core/PresetFields.h"
#include "core/PresetFile.h"
#include "core/PresetNames.h"
#include "core/Protocol.h"
#include "operations/BackupStage.h"
#include "operations/MemoryReads.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace ksr {

namespace {

// The slot 0..15 of user entry 05..20.
int SlotOf(int entry)
{
    return entry - FirstUserEntry;
}

// The bytes of a preset image's data, or of a name.
template <std::size_t N>
QByteArray Bytes(const std::array<std::uint8_t, N> &array, int count)
{
    return QByteArray(reinterpret_cast<const char *>(array.data()), count);
}

} // namespace

std::optional<int> SecondsLeft(int done, int total, double elapsed)
{
    // A serial line's rate is steady: two seconds of it tell the rest.
    if (done <= 0 || elapsed < 2.0 || done >= total)
        return std::nullopt;
    return static_cast<int>(elapsed * (total - done) / done + 0.5);
}

QString EntryText(int entry)
{
    return QStringLiteral("%1").arg(entry, 2, 10, QLatin1Char('0'));
}

QString PresetCount(int count)
{
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? QStringLiteral("preset") : QStringLiteral("presets"));
}

QString EntryCount(int count)
{
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? QStringLiteral("entry") : QStringLiteral("entries"));
}

std::optional<PresetImageArray> ReadPresetInput(const QString &path, QString *error)
{
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("%1: no such preset file").arg(path);
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = file.read(PresetImageBytes + 1);
    if (bytes.size() != PresetImageBytes) {
        *error = QStringLiteral("%1 is not a preset file: it has %2 bytes, a preset file exactly %3")
                     .arg(path)
                     .arg(file.size())
                     .arg(PresetImageBytes);
        return std::nullopt;
    }
    const PresetFileRead read = ParsePresetFile(bytes);
    if (!read.image) {
        *error = QStringLiteral("%1:%2").arg(path, read.error);
        return std::nullopt;
    }
    // The device is sent only values it takes; the program's editor brings
    // them into range instead, where the user sees them.
    if (const QString outside = FirstFieldOutOfRange(*read.image); !outside.isEmpty()) {
        *error = QStringLiteral("%1 is not a preset the device takes: %2").arg(path, outside);
        return std::nullopt;
    }
    return read.image;
}

bool WritePresetFile(const QString &path, const PresetImageArray &image, QString *error)
{
    QString reason;
    if (ReplaceFileContents(path, PresetFileBytes(image), &reason))
        return true;
    *error = QStringLiteral("cannot write %1: %2").arg(path, reason);
    return false;
}

QString BackupFolderRefusal(const QString &folder)
{
    const QFileInfo target(folder);
    if (target.exists() && !target.isDir())
        return QStringLiteral("cannot create the folder %1: a file of that name is there").arg(folder);
    return {};
}

LibraryOutcome ReadRestorePlan(const QString &folder, const std::vector<int> &entries, RestorePlan *plan)
{
    const auto refused = [](const QString &why) { return LibraryOutcome{LibraryStatus::Refused, why}; };
    const QDir dir(folder);
    const QString directoryPath = dir.filePath(QString::fromLatin1(DirectoryFileName));
    if (!QFileInfo(directoryPath).isFile())
        return refused(QStringLiteral("%1 holds no %2: not a complete backup, nothing restored")
                           .arg(folder, QString::fromLatin1(DirectoryFileName)));
    QFile file(directoryPath);
    if (!file.open(QIODevice::ReadOnly))
        return refused(QStringLiteral("cannot read %1: %2").arg(directoryPath, file.errorString()));
    // However large the file, no more is read than a directory can hold.
    const QByteArray bytes = file.read(LargestDirectoryBytes + 1);
    if (bytes.size() > LargestDirectoryBytes)
        return refused(QStringLiteral("%1 is larger than a backup's directory can be (%2 bytes at most); "
                                      "nothing restored")
                           .arg(directoryPath)
                           .arg(LargestDirectoryBytes));
    QString error;
    const auto directory = ParseDirectory(bytes, &error);
    if (!directory)
        return refused(QStringLiteral("%1: %2; nothing restored").arg(directoryPath, error));

    RestorePlan read;
    read.folder = folder;
    read.directory = *directory;
    const bool all = entries.empty();
    std::vector<int> wanted = entries;
    if (all) {
        for (int entry = FirstUserEntry; entry <= LastUserEntry; ++entry)
            wanted.push_back(entry);
    }
    for (const int entry : wanted) {
        const BackupEntry &line = (*directory)[static_cast<std::size_t>(SlotOf(entry))];
        if (!line.used) {
            if (!all)
                return refused(
                    QStringLiteral("entry %1 is empty in %2; nothing restored").arg(EntryText(entry), directoryPath));
            read.emptied.push_back(entry);
            continue;
        }
        const auto image = ReadPresetInput(dir.filePath(line.fileName), &error);
        if (!image)
            return refused(error);
        read.inputs.push_back({entry, AnsiToString(line.name), *image});
    }
    *plan = std::move(read);
    return {};
}

DeviceLibrary::DeviceLibrary(AppState &state, SerialLink &link, DevicePresets &presets)
    : state_(state), link_(link), presets_(presets)
{
}

LibraryOutcome DeviceLibrary::Failed(LibraryStatus status, const QString &what, LibraryProgress &progress) const
{
    progress.End();
    return {status, what};
}

QString DeviceLibrary::IfEnded(const QString &what) const
{
    return DeviceGone(state_) ? what : QString();
}

LibraryOutcome DeviceLibrary::CutShort(const QString &what, LibraryProgress &progress) const
{
    if (DeviceGone(state_))
        return Failed(LibraryStatus::TimedOut, what, progress);
    return Failed(progress.Cancelled() ? LibraryStatus::Cancelled : LibraryStatus::TimedOut, {}, progress);
}

std::optional<DeviceLibrary::SlotContents> DeviceLibrary::ReadSlot(int entry, LibraryProgress &progress)
{
    const int t = SlotOf(entry);
    MemoryReader reader(state_, link_, ReadCheck::Confirmed, [&progress] { progress.Advance(); });
    reader.SetStop([&progress] { return progress.Cancelled(); });
    const int data = reader.Read(SlotPresetAddress + PresetBytes * t, PresetBytes);
    const int name = reader.Read(SlotNameAddress + NameLength * t, NameLength);
    if (!reader.Settle())
        return std::nullopt;
    SlotContents slot;
    const QByteArray bytes = reader.Values(data, PresetBytes);
    std::copy(bytes.begin(), bytes.end(), slot.image.begin());
    slot.name = reader.Values(name, NameLength);
    return slot;
}

std::optional<PresetImageArray> DeviceLibrary::ReadCurrentSettings(QString *error)
{
    const std::optional<BlockArray> block =
        ReadPresetBlockSoundly(state_, link_, CurrentSettingsSelector, ReadCheck::Confirmed);
    if (!block) {
        if (!DeviceGone(state_))
            *error = QStringLiteral("the current settings could not be read soundly from the device");
        return std::nullopt;
    }
    PresetImageArray image{};
    std::copy(block->begin(), block->end(), image.begin());
    return image;
}

LibraryOutcome DeviceLibrary::Backup(const QString &folder, LibraryProgress &progress)
{
    // Nothing in the folder changes before the device has answered, and an
    // earlier backup there stays whole until the new one is complete.
    if (const QString refusal = BackupFolderRefusal(folder); !refusal.isEmpty())
        return {LibraryStatus::WriteFailed, refusal};
    BackupStage stage(folder);
    QString error;
    if (!stage.Open(&error))
        return {LibraryStatus::WriteFailed, error};

    const QString cutShort = QStringLiteral("backup cut short: %1 is left as it was").arg(folder);
    const auto markers = ReadUsedMarkers(state_, link_, ReadCheck::Confirmed);
    if (!markers || progress.Cancelled())
        return CutShort(cutShort, progress);
    const auto &used = *markers;
    LibraryOutcome outcome;
    outcome.presets = static_cast<int>(std::count(used.begin(), used.end(), true));
    // Every byte is read twice.
    progress.Begin(2 * (outcome.presets * (PresetBytes + NameLength) + BlockBytes));

    BackupDirectory directory;
    QStringList written;
    for (int n = 0; n < UserSlotCount; ++n) {
        if (!used[static_cast<std::size_t>(n)])
            continue;
        const int entry = n + FirstUserEntry;
        progress.SetEntry(entry);
        const std::optional<SlotContents> read = ReadSlot(entry, progress);
        if (!read)
            return CutShort(cutShort, progress);
        const SlotContents &slot = *read;
        BackupEntry &line = directory[static_cast<std::size_t>(n)];
        line = {true, slot.name, PresetFileName(entry, slot.name)};
        if (!WritePresetFile(stage.StagedPath(line.fileName), slot.image, &error))
            return Failed(LibraryStatus::WriteFailed, error, progress);
        written << line.fileName;
        progress.Finished(QStringLiteral("entry %1 \"%2\" -> %3").arg(EntryText(entry), AnsiToString(slot.name),
                                                                      line.fileName));
        if (progress.Cancelled())
            return CutShort(cutShort, progress);
    }

    progress.SetEntry(0);
    const std::optional<PresetImageArray> current = ReadCurrentSettings(&error);
    if (!current) {
        const LibraryOutcome failed = CutShort(cutShort, progress);
        return {failed.status, error.isEmpty() ? cutShort : error + QLatin1Char('\n') + cutShort};
    }
    progress.Advance(2 * BlockBytes);
    const QString currentFile = QString::fromLatin1(CurrentFileName);
    if (!WritePresetFile(stage.StagedPath(currentFile), *current, &error))
        return Failed(LibraryStatus::WriteFailed, error, progress);
    written << currentFile;
    progress.Finished(QStringLiteral("current settings -> %1").arg(currentFile));
    progress.End();
    // The last safe point: once directory.txt is written the backup is whole.
    if (progress.Cancelled())
        return {LibraryStatus::Cancelled, {}};

    const QString directoryPath = stage.StagedPath(QString::fromLatin1(DirectoryFileName));
    if (!ReplaceFileContents(directoryPath, DirectoryBytes(directory), &error))
        return {LibraryStatus::WriteFailed, QStringLiteral("cannot write %1: %2").arg(directoryPath, error)};
    if (!stage.Commit(written, &error))
        return {LibraryStatus::WriteFailed, error};
    return outcome;
}

std::optional<int> DeviceLibrary::FirstDifference(int address, const QByteArray &expected, LibraryProgress &progress)
{
    // One sound read of each byte; only a byte that differs is confirmed by
    // two more, so that a garbled answer is not taken for a wrong write.
    MemoryReader reader(state_, link_, ReadCheck::Sound, [&progress] { progress.Advance(); });
    const int first = reader.Read(address, static_cast<int>(expected.size()));
    if (!reader.Settle())
        return std::nullopt;
    const QByteArray read = reader.Values(first, static_cast<int>(expected.size()));
    for (qsizetype i = 0; i < expected.size(); ++i) {
        if (read[i] == expected[i])
            continue;
        const std::optional<QByteArray> again =
            ReadMemoryBytes(state_, link_, address + static_cast<int>(i), 1, ReadCheck::Confirmed);
        if (!again)
            return std::nullopt;
        if (again->at(0) != expected[i])
            return address + static_cast<int>(i);
    }
    return -1;
}

std::optional<LibraryOutcome> DeviceLibrary::VerifyStored(const PresetInput &input, LibraryProgress &progress)
{
    const int t = SlotOf(input.entry);
    // The data, the name and the marker lie apart in memory: each is read
    // back until one differs.
    std::optional<int> differs =
        FirstDifference(SlotPresetAddress + PresetBytes * t, Bytes(input.image, PresetBytes), progress);
    if (differs == -1)
        differs = FirstDifference(SlotNameAddress + NameLength * t, Bytes(NameBytes(input.name), NameLength), progress);
    if (differs == -1)
        differs = FirstDifference(UsedMarkerAddress + t, QByteArray(1, static_cast<char>(UsedMarker)), progress);
    if (!differs)
        return Failed(LibraryStatus::TimedOut,
                      IfEnded(QStringLiteral("stopped while reading back entry %1").arg(EntryText(input.entry))),
                      progress);
    if (*differs == -1)
        return std::nullopt;
    return Failed(LibraryStatus::TimedOut,
                  QStringLiteral("entry %1 read back holds other bytes than were written (address 0x%2); "
                                 "store it again")
                      .arg(EntryText(input.entry))
                      .arg(*differs, 4, 16, QLatin1Char('0')),
                  progress);
}

std::optional<LibraryOutcome> DeviceLibrary::MarkEmpty(int entry, bool verify, LibraryProgress &progress)
{
    presets_.MarkSlotEmpty(SlotOf(entry));
    if (DeviceGone(state_))
        return Failed(LibraryStatus::TimedOut, QStringLiteral("stopped while marking entry %1 empty").arg(EntryText(entry)),
                      progress);
    if (!verify)
        return std::nullopt;
    const std::optional<QByteArray> marker =
        ReadMemoryBytes(state_, link_, UsedMarkerAddress + SlotOf(entry), 1, ReadCheck::Confirmed);
    if (!marker)
        return Failed(LibraryStatus::TimedOut,
                      IfEnded(QStringLiteral("stopped while reading back entry %1").arg(EntryText(entry))),
                      progress);
    if (static_cast<std::uint8_t>(marker->at(0)) == UsedMarker)
        return Failed(LibraryStatus::TimedOut,
                      QStringLiteral("entry %1 still reads as used after it was marked empty").arg(EntryText(entry)),
                      progress);
    return std::nullopt;
}

LibraryOutcome DeviceLibrary::Restore(const RestorePlan &plan, bool verify, LibraryProgress &progress)
{
    const int readBack = verify ? PresetBytes + NameLength + 1 : 0;
    progress.Begin(static_cast<int>(plan.inputs.size()) * (PresetBytes + NameLength + readBack));
    LibraryOutcome outcome;
    for (const PresetInput &input : plan.inputs) {
        progress.SetEntry(input.entry);
        const bool written = presets_.WritePresetSlot(SlotOf(input.entry), input.image, input.name, [&] {
            progress.Advance();
            return !progress.Cancelled() && !DeviceGone(state_);
        });
        if (DeviceGone(state_))
            return Failed(LibraryStatus::TimedOut,
                          QStringLiteral("stopped while storing entry %1, which the device keeps marked empty")
                              .arg(EntryText(input.entry)),
                          progress);
        if (!written) {
            outcome.status = LibraryStatus::Cancelled;
            outcome.leftEmpty = input.entry;
            progress.End();
            return outcome;
        }
        if (verify) {
            if (auto failed = VerifyStored(input, progress)) {
                failed->presets = outcome.presets;
                return *failed;
            }
        }
        ++outcome.presets;
        progress.Finished(QStringLiteral("entry %1 \"%2\" stored").arg(EntryText(input.entry), input.name));
        if (progress.Cancelled()) {
            outcome.status = LibraryStatus::Cancelled;
            progress.End();
            return outcome;
        }
    }
    for (const int entry : plan.emptied) {
        if (auto failed = MarkEmpty(entry, verify, progress)) {
            failed->presets = outcome.presets;
            failed->emptied = outcome.emptied;
            return *failed;
        }
        ++outcome.emptied;
        progress.Finished(QStringLiteral("entry %1 marked empty").arg(EntryText(entry)));
    }
    progress.End();
    return outcome;
}

} // namespace ksr
