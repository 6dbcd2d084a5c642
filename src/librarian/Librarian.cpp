#include "librarian/Librarian.h"

#include "librarian/BackupStage.h"

#include "core/AnsiText.h"
#include "core/FileWriting.h"
#include "core/PortConfig.h"
#include "core/PresetFields.h"
#include "core/PresetFile.h"
#include "core/PresetNames.h"
#include "core/Protocol.h"
#include "link/PortChoice.h"
#include "link/PortNames.h"
#include "operations/DeviceSearch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace ksr {

namespace {

// The slot 0..15 of user entry 05..20.
int SlotOf(int entry)
{
    return entry - FirstUserEntry;
}

// "NN", the entry as the device's display numbers it.
QString EntryText(int entry)
{
    return QStringLiteral("%1").arg(entry, 2, 10, QLatin1Char('0'));
}

// A stored name as list shows it: a control character (a newline among
// them) as "?", so that every entry keeps one line.
QString ShownName(const QByteArray &bytes)
{
    QString name = AnsiToString(bytes);
    for (QChar &c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('?');
    }
    return name;
}

// "1 preset", "5 presets".
QString Presets(int count)
{
    return QStringLiteral("%1 preset%2").arg(count).arg(count == 1 ? QString() : QStringLiteral("s"));
}

// "1 entry", "3 entries".
QString Entries(int count)
{
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? QStringLiteral("entry") : QStringLiteral("entries"));
}

// The last line of a command that did what it was asked, on stdout.
void PrintSummary(const QString &text)
{
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}

} // namespace

Librarian::Librarian(const CliOptions &options, CliProgress &progress)
    : options_(options), progress_(progress), port_(clock_, PortPathChooser(options.portChoice)),
      link_(state_, port_, clock_, dialogs_, end_), sender_(state_, link_, controls_),
      memory_(state_, link_, controls_, sender_, curves_, windows_, dialogs_),
      presets_(state_, link_, controls_, sender_, curves_, memory_, dialogs_),
      files_(state_, controls_, sender_, curves_, dialogs_)
{
    state_.StartDirectory = QDir::currentPath();
}

int Librarian::Run()
{
    switch (options_.command) {
    case CliCommand::List:
        return List();
    case CliCommand::Backup:
        return Backup();
    case CliCommand::Restore:
        return Restore();
    case CliCommand::Save:
        return Save();
    case CliCommand::Load:
        return Load();
    case CliCommand::Store:
        return Store();
    }
    return ExitRefused;
}

int Librarian::FindDevice()
{
    const PortChoice &choice = options_.portChoice;
    if (choice.Given()) {
        state_.PortNumber = static_cast<std::int16_t>(choice.ProbedPort());
        if (ProbeSavedPort(state_, link_))
            return ExitOk;
        const QString path = choice.devicePath.isEmpty() ? SystemPortDevicePath(choice.port) : ChosenDevicePath(choice);
        const QString where = choice.port > 0
                                  ? QStringLiteral("port %1 (%2)")
                                        .arg(choice.port)
                                        .arg(path.isEmpty() ? QStringLiteral("no such port") : path)
                                  : path;
        // A port that did not open (no such device, no connection to the
        // device server) is told apart from a device that kept silent.
        PrintError((port_.IsOpen() ? QStringLiteral("no KSR-704 answered on %1") : QStringLiteral("cannot open %1"))
                       .arg(where));
        return ExitNoDevice;
    }

    // init.cfg is only read, as the program reads it: the command line never
    // creates it nor changes the saved port.
    const std::int16_t saved = ReadPortConfig(QStringLiteral("init.cfg"), PortConfigAccess::ReadOnly).PortNumber();
    state_.PortNumber = saved;
    QStringList tried;
    for (int n = 1; n <= HighestPortNumber; ++n) {
        const QString path = SystemPortDevicePath(n);
        if (!path.isEmpty())
            tried << QStringLiteral("%1 (%2%3)").arg(n).arg(path, n == saved ? QStringLiteral(", init.cfg") : QString());
    }
    // "port 1 (/dev/ttyS0)" or "ports 1 (/dev/ttyS0), 2 (/dev/ttyUSB0)".
    const QString ports = QStringLiteral("%1 %2").arg(tried.size() == 1 ? QStringLiteral("port") : QStringLiteral("ports"),
                                                      tried.join(QStringLiteral(", ")));
    if (!tried.isEmpty())
        progress_.Note(QStringLiteral("looking for a KSR-704 on %1 ...").arg(ports));
    if (ProbeSavedPort(state_, link_) || PortSearch(state_, link_))
        return ExitOk;

    PrintError(tried.isEmpty() ? QStringLiteral("no KSR-704 found: no serial port is listed for ports 1 to 35 "
                                                "(set KSR704_PORTS, or use --device PATH)")
                               : QStringLiteral("no KSR-704 answered on %1; name the device's port with --device PATH")
                                     .arg(ports));
    return ExitNoDevice;
}

bool Librarian::Ended(const QString &what)
{
    if (!state_.ProgramEnding)
        return false;
    progress_.End();
    PrintError(what);
    return true;
}

std::optional<PresetImageArray> Librarian::ReadPresetInput(const QString &path)
{
    if (!QFileInfo(path).isFile()) {
        PrintError(QStringLiteral("%1: no such preset file").arg(path));
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        PrintError(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    const QByteArray bytes = file.read(PresetImageBytes + 1);
    if (bytes.size() != PresetImageBytes) {
        PrintError(QStringLiteral("%1 is not a preset file: it has %2 bytes, a preset file exactly %3")
                       .arg(path)
                       .arg(file.size())
                       .arg(PresetImageBytes));
        return std::nullopt;
    }
    const PresetFileRead read = ParsePresetFile(bytes);
    if (!read.image) {
        PrintError(QStringLiteral("%1:%2").arg(path, read.error));
        return std::nullopt;
    }
    // The device is sent only values it takes; the program's editor brings
    // them into range instead, where the user sees them.
    if (const QString outside = FirstFieldOutOfRange(*read.image); !outside.isEmpty()) {
        PrintError(QStringLiteral("%1 is not a preset the device takes: %2").arg(path, outside));
        return std::nullopt;
    }
    return read.image;
}

bool Librarian::WritePresetFile(const QString &path, const PresetImageArray &image)
{
    QString error;
    if (ReplaceFileContents(path, PresetFileBytes(image), &error))
        return true;
    progress_.End();
    PrintError(QStringLiteral("cannot write %1: %2").arg(path, error));
    return false;
}

std::optional<Librarian::SlotContents> Librarian::ReadSlot(int entry)
{
    const int t = SlotOf(entry);
    MemoryReader reader(state_, link_, ReadCheck::Confirmed, [this] { progress_.Advance(); });
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

std::optional<PresetImageArray> Librarian::ReadCurrentSettings()
{
    const std::optional<BlockArray> block =
        ReadPresetBlockSoundly(state_, link_, CurrentSettingsSelector, ReadCheck::Confirmed);
    if (!block) {
        if (!state_.ProgramEnding)
            PrintError(QStringLiteral("the current settings could not be read soundly from the device"));
        return std::nullopt;
    }
    PresetImageArray image{};
    std::copy(block->begin(), block->end(), image.begin());
    return image;
}

int Librarian::List()
{
    if (const int found = FindDevice(); found != ExitOk)
        return found;
    MemoryReader reader(state_, link_, ReadCheck::Confirmed);
    const std::optional<UserDirectory> read = ReadUserDirectory(reader);
    if (Ended(QStringLiteral("the directory could not be read")) || !read)
        return ExitTimeOut;
    const UserDirectory &directory = *read;
    QString text;
    for (int e = 0; e < FixedPresetCount; ++e)
        text += QStringLiteral("%1  %2  fixed\n").arg(EntryText(e + 1), DefaultPresetNames[static_cast<std::size_t>(e)]);
    for (int n = 0; n < UserSlotCount; ++n) {
        const auto slot = static_cast<std::size_t>(n);
        const bool used = directory.used[slot];
        text += QStringLiteral("%1  %2  %3\n")
                    .arg(EntryText(n + FirstUserEntry),
                         used ? ShownName(directory.names[slot]) : QString(NameLength, QLatin1Char(' ')),
                         used ? QStringLiteral("used") : QStringLiteral("empty"));
    }
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return ExitOk;
}

int Librarian::Backup()
{
    // Nothing in the folder changes before the device has answered, and an
    // earlier backup there stays whole until the new one is complete: the
    // new files are staged in the folder and moved into place at the end.
    const QFileInfo target(options_.path);
    if (target.exists() && !target.isDir()) {
        PrintError(QStringLiteral("cannot create the folder %1: a file of that name is there").arg(options_.path));
        return ExitWriteFailed;
    }
    if (const int found = FindDevice(); found != ExitOk)
        return found;
    BackupStage stage(options_.path);
    QString error;
    if (!stage.Open(&error)) {
        PrintError(error);
        return ExitWriteFailed;
    }

    const QString cutShort = QStringLiteral("backup cut short: %1 is left as it was").arg(options_.path);
    const auto markers = ReadUsedMarkers(state_, link_, ReadCheck::Confirmed);
    if (Ended(cutShort) || !markers)
        return ExitTimeOut;
    const auto &used = *markers;
    const auto usedCount = static_cast<int>(std::count(used.begin(), used.end(), true));
    // Every byte is read twice.
    progress_.Begin(2 * (usedCount * (PresetBytes + NameLength) + BlockBytes));

    BackupDirectory directory;
    QStringList written;
    for (int n = 0; n < UserSlotCount; ++n) {
        if (!used[static_cast<std::size_t>(n)])
            continue;
        const int entry = n + FirstUserEntry;
        progress_.SetEntry(QStringLiteral("entry %1").arg(EntryText(entry)));
        const std::optional<SlotContents> read = ReadSlot(entry);
        if (Ended(cutShort) || !read)
            return ExitTimeOut;
        const SlotContents &slot = *read;
        BackupEntry &line = directory[static_cast<std::size_t>(n)];
        line = {true, slot.name, PresetFileName(entry, slot.name)};
        if (!WritePresetFile(stage.StagedPath(line.fileName), slot.image))
            return ExitWriteFailed;
        written << line.fileName;
        progress_.Finished(QStringLiteral("entry %1 \"%2\" -> %3").arg(EntryText(entry), AnsiToString(slot.name),
                                                                       line.fileName));
    }

    progress_.SetEntry(QStringLiteral("current"));
    const std::optional<PresetImageArray> read = ReadCurrentSettings();
    if (!read) {
        progress_.End();
        PrintError(cutShort);
        return ExitTimeOut;
    }
    const PresetImageArray &current = *read;
    progress_.Advance(2 * BlockBytes);
    const QString currentFile = QString::fromLatin1(CurrentFileName);
    if (!WritePresetFile(stage.StagedPath(currentFile), current))
        return ExitWriteFailed;
    written << currentFile;
    progress_.Finished(QStringLiteral("current settings -> %1").arg(currentFile));
    progress_.End();

    const QString directoryPath = stage.StagedPath(QString::fromLatin1(DirectoryFileName));
    if (!ReplaceFileContents(directoryPath, DirectoryBytes(directory), &error)) {
        PrintError(QStringLiteral("cannot write %1: %2").arg(directoryPath, error));
        return ExitWriteFailed;
    }
    if (!stage.Commit(written, &error)) {
        PrintError(error);
        return ExitWriteFailed;
    }
    PrintSummary(QStringLiteral("%1 and the current settings saved to %2").arg(Presets(usedCount), options_.path));
    return ExitOk;
}

int Librarian::Restore()
{
    const QDir folder(options_.path);
    const QString directoryPath = folder.filePath(QString::fromLatin1(DirectoryFileName));
    QFile file(directoryPath);
    if (!QFileInfo(directoryPath).isFile()) {
        PrintError(QStringLiteral("%1 holds no %2: not a complete backup, nothing restored")
                       .arg(options_.path, QString::fromLatin1(DirectoryFileName)));
        return ExitRefused;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        PrintError(QStringLiteral("cannot read %1: %2").arg(directoryPath, file.errorString()));
        return ExitRefused;
    }
    // However large the file, no more is read than a directory can hold.
    const QByteArray bytes = file.read(LargestDirectoryBytes + 1);
    if (bytes.size() > LargestDirectoryBytes) {
        PrintError(QStringLiteral("%1 is larger than a backup's directory can be (%2 bytes at most); nothing restored")
                       .arg(directoryPath)
                       .arg(LargestDirectoryBytes));
        return ExitRefused;
    }
    QString error;
    const auto directory = ParseDirectory(bytes, &error);
    if (!directory) {
        PrintError(QStringLiteral("%1: %2; nothing restored").arg(directoryPath, error));
        return ExitRefused;
    }

    const bool all = options_.entries.empty();
    std::vector<int> entries = options_.entries;
    if (all) {
        for (int entry = FirstUserEntry; entry <= LastUserEntry; ++entry)
            entries.push_back(entry);
    }
    std::vector<PresetInput> inputs;
    std::vector<int> emptied;
    for (const int entry : entries) {
        const BackupEntry &line = (*directory)[static_cast<std::size_t>(SlotOf(entry))];
        if (!line.used) {
            if (all) {
                emptied.push_back(entry);
                continue;
            }
            PrintError(QStringLiteral("entry %1 is empty in %2; nothing restored").arg(EntryText(entry), directoryPath));
            return ExitRefused;
        }
        const auto image = ReadPresetInput(folder.filePath(line.fileName));
        if (!image)
            return ExitRefused;
        inputs.push_back({entry, AnsiToString(line.name), *image});
    }
    if (const int found = FindDevice(); found != ExitOk)
        return found;
    const int stored = StoreAll(inputs, emptied);
    if (stored == ExitOk) {
        const QString marked = emptied.empty() ? QString()
                                               : QStringLiteral(", %1 marked empty").arg(Entries(static_cast<int>(emptied.size())));
        PrintSummary(QStringLiteral("%1 restored from %2%3")
                         .arg(Presets(static_cast<int>(inputs.size())), options_.path, marked));
    }
    return stored;
}

std::optional<int> Librarian::FirstDifference(int address, const QByteArray &expected)
{
    // One sound read of each byte; only a byte that differs is confirmed by
    // two more, so that a garbled answer is not taken for a wrong write.
    MemoryReader reader(state_, link_, ReadCheck::Sound, [this] { progress_.Advance(); });
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

bool Librarian::VerifyStored(const PresetInput &input)
{
    const int t = SlotOf(input.entry);
    const auto nameBytes = NameBytes(input.name);
    // The data, the name and the marker lie apart in memory: each is read
    // back until one differs.
    std::optional<int> differs = FirstDifference(
        SlotPresetAddress + PresetBytes * t, QByteArray(reinterpret_cast<const char *>(input.image.data()), PresetBytes));
    if (differs == -1)
        differs = FirstDifference(SlotNameAddress + NameLength * t,
                                  QByteArray(reinterpret_cast<const char *>(nameBytes.data()), NameLength));
    if (differs == -1)
        differs = FirstDifference(UsedMarkerAddress + t, QByteArray(1, static_cast<char>(UsedMarker)));
    if (Ended(QStringLiteral("stopped while reading back entry %1").arg(EntryText(input.entry))) || !differs)
        return false;
    if (*differs == -1)
        return true;
    progress_.End();
    PrintError(QStringLiteral("entry %1 read back holds other bytes than were written (address 0x%2); "
                              "store it again")
                   .arg(EntryText(input.entry))
                   .arg(*differs, 4, 16, QLatin1Char('0')));
    return false;
}

int Librarian::StoreAll(const std::vector<PresetInput> &inputs, const std::vector<int> &emptied)
{
    const int readBack = options_.verify ? PresetBytes + NameLength + 1 : 0;
    progress_.Begin(static_cast<int>(inputs.size()) * (PresetBytes + NameLength + readBack));
    for (const PresetInput &input : inputs) {
        progress_.SetEntry(QStringLiteral("entry %1").arg(EntryText(input.entry)));
        state_.PresetImage = input.image;
        presets_.StorePreset(SlotOf(input.entry), input.name, [this] { progress_.Advance(); });
        if (Ended(QStringLiteral("stopped while storing entry %1, which the device keeps marked empty")
                      .arg(EntryText(input.entry))))
            return ExitTimeOut;
        if (options_.verify && !VerifyStored(input))
            return ExitTimeOut;
        progress_.Finished(QStringLiteral("entry %1 \"%2\" stored").arg(EntryText(input.entry), input.name));
    }
    for (const int entry : emptied) {
        link_.ExchangeCommand(WriteByteFrame(UsedMarkerAddress + SlotOf(entry), EmptyMarker));
        if (Ended(QStringLiteral("stopped while marking entry %1 empty").arg(EntryText(entry))))
            return ExitTimeOut;
        if (options_.verify) {
            const std::optional<QByteArray> marker =
                ReadMemoryBytes(state_, link_, UsedMarkerAddress + SlotOf(entry), 1, ReadCheck::Confirmed);
            if (Ended(QStringLiteral("stopped while reading back entry %1").arg(EntryText(entry))) || !marker)
                return ExitTimeOut;
            if (static_cast<std::uint8_t>(marker->at(0)) == UsedMarker) {
                progress_.End();
                PrintError(QStringLiteral("entry %1 still reads as used after it was marked empty").arg(EntryText(entry)));
                return ExitTimeOut;
            }
        }
        progress_.Finished(QStringLiteral("entry %1 marked empty").arg(EntryText(entry)));
    }
    progress_.End();
    return ExitOk;
}

int Librarian::Save()
{
    if (const int found = FindDevice(); found != ExitOk)
        return found;
    const std::optional<PresetImageArray> image = ReadCurrentSettings();
    if (!image) {
        PrintError(QStringLiteral("%1 was not written").arg(options_.path));
        return ExitTimeOut;
    }
    return WritePresetFile(options_.path, *image) ? ExitOk : ExitWriteFailed;
}

int Librarian::FileAndDevice(PresetImageArray *image)
{
    const auto read = ReadPresetInput(options_.path);
    if (!read)
        return ExitRefused;
    *image = *read;
    return FindDevice();
}

int Librarian::Load()
{
    PresetImageArray image{};
    if (const int ready = FileAndDevice(&image); ready != ExitOk)
        return ready;
    files_.ShowLoadedPreset(image, QFileInfo(options_.path).fileName());
    if (Ended(QStringLiteral("the device took %1 only in part").arg(options_.path)))
        return ExitTimeOut;
    progress_.Finished(QStringLiteral("%1 -> current settings").arg(options_.path));
    return ExitOk;
}

int Librarian::Store()
{
    PresetImageArray image{};
    if (const int ready = FileAndDevice(&image); ready != ExitOk)
        return ready;
    return StoreAll({{options_.entries.front(), options_.name, image}}, {});
}

} // namespace ksr
