#include "librarian/Librarian.h"

#include "operations/BackupStage.h"

#include "core/AnsiText.h"
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

// A stored name as list shows it, in a column of 8: without its centring
// spaces, and a control character (a newline among them) as "?", so that
// every entry keeps one line.
QString ShownName(const QByteArray &bytes)
{
    QString name = AnsiToString(bytes);
    for (QChar &c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('?');
    }
    return UnpaddedPresetName(name).leftJustified(NameLength);
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
      link_(state_, port_, clock_, dialogs_, end_), sender_(link_, model_),
      presets_(state_, link_, model_, dialogs_),
      files_(state_, model_, sender_, dialogs_), library_(state_, link_, presets_)
{
    state_.StartDirectory = QDir::currentPath();
}

int Librarian::Run()
{
    // The trace is opened before anything is sent, so that it holds every frame.
    if (QString error; !options_.tracePath.isEmpty() && !link_.Trace().WriteTo(options_.tracePath, &error)) {
        PrintError(QStringLiteral("cannot write the line trace to %1: %2").arg(options_.tracePath, error));
        return ExitWriteFailed;
    }
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
        link_.SetPortNumber(static_cast<std::int16_t>(choice.ProbedPort()));
        if (ProbeSavedPort(link_))
            return ExitOk;
        const QString path = choice.devicePath.isEmpty() ? SystemPortDevicePath(choice.port) : ChosenDevicePath(choice);
        const QString where = choice.port > 0
                                  ? QStringLiteral("port %1 (%2)")
                                        .arg(choice.port)
                                        .arg(path.isEmpty() ? QStringLiteral("no such port") : path)
                                  : path;
        // A port that did not open (no such device, another program holding
        // it, no connection to the device server) is told apart from a
        // device that kept silent.
        const QString inUse = port_.PortInUse();
        PrintError(port_.IsOpen()      ? QStringLiteral("no KSR-704 answered on %1").arg(where)
                   : inUse.isEmpty() ? QStringLiteral("cannot open %1").arg(where)
                                     : QStringLiteral("cannot open %1: it is %2").arg(where, inUse));
        return ExitNoDevice;
    }

    // init.cfg is only read, as the program reads it: the command line never
    // creates it nor changes the saved port.
    const std::int16_t saved = ReadPortConfig(QStringLiteral("init.cfg"), PortConfigAccess::ReadOnly).PortNumber();
    link_.SetPortNumber(saved);
    const auto described = [saved](int n, const QString &path) {
        return QStringLiteral("%1 (%2%3)").arg(n).arg(path, n == saved ? QStringLiteral(", init.cfg") : QString());
    };
    QStringList tried;
    for (int n = 1; n <= HighestPortNumber; ++n) {
        if (const QString path = SystemPortDevicePath(n); !path.isEmpty())
            tried << described(n, path);
    }
    // "port 1 (/dev/ttyS0)" or "ports 1 (/dev/ttyS0), 2 (/dev/ttyUSB0)".
    const auto ports = [](const QStringList &list) {
        return QStringLiteral("%1 %2").arg(list.size() == 1 ? QStringLiteral("port") : QStringLiteral("ports"),
                                           list.join(QStringLiteral(", ")));
    };
    if (!tried.isEmpty())
        progress_.Note(QStringLiteral("looking for a KSR-704 on %1 ...").arg(ports(tried)));
    PortsInUse inUse;
    if (ProbeSavedPort(link_, &inUse) || PortSearch(link_, &inUse))
        return ExitOk;

    if (tried.isEmpty()) {
        PrintError(QStringLiteral("no KSR-704 found: no serial port is listed for ports 1 to 35 "
                                  "(set KSR704_PORTS, or use --device PATH)"));
        return ExitNoDevice;
    }
    // The ports other programs hold are named as such, apart from the silent ones.
    QStringList silent = tried;
    for (const auto &[n, note] : inUse) {
        const QString port = described(n, SystemPortDevicePath(n));
        silent.removeAll(port);
        PrintError(QStringLiteral("port %1 is %2").arg(port, note));
    }
    PrintError(silent.isEmpty()
                   ? QStringLiteral("no KSR-704 found: close the program that holds the port, or name another "
                                    "with --device PATH")
                   : QStringLiteral("no KSR-704 answered on %1; name the device's port with --device PATH")
                         .arg(ports(silent)));
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
    QString error;
    const std::optional<PresetImageArray> image = ksr::ReadPresetInput(path, &error);
    if (!image)
        PrintError(error);
    return image;
}

bool Librarian::WritePresetFile(const QString &path, const PresetImageArray &image)
{
    QString error;
    if (ksr::WritePresetFile(path, image, &error))
        return true;
    progress_.End();
    PrintError(error);
    return false;
}

int Librarian::Report(const LibraryOutcome &outcome)
{
    for (const QString &line : outcome.error.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        PrintError(line);
    switch (outcome.status) {
    case LibraryStatus::Done:
        return ExitOk;
    case LibraryStatus::Refused:
        return ExitRefused;
    case LibraryStatus::WriteFailed:
        return ExitWriteFailed;
    case LibraryStatus::TimedOut:
    case LibraryStatus::Cancelled:
        break;
    }
    return ExitTimeOut;
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
    // A folder that cannot take a backup is refused before the device is
    // looked for.
    if (const QString refusal = BackupFolderRefusal(options_.path); !refusal.isEmpty()) {
        PrintError(refusal);
        return ExitWriteFailed;
    }
    if (const int found = FindDevice(); found != ExitOk)
        return found;
    const LibraryOutcome outcome = library_.Backup(options_.path, progress_);
    if (outcome.status == LibraryStatus::Done)
        PrintSummary(QStringLiteral("%1 and the current settings saved to %2").arg(PresetCount(outcome.presets), options_.path));
    return Report(outcome);
}

int Librarian::Restore()
{
    RestorePlan plan;
    if (const LibraryOutcome read = ReadRestorePlan(options_.path, options_.entries, &plan);
        read.status != LibraryStatus::Done)
        return Report(read);
    if (const int found = FindDevice(); found != ExitOk)
        return found;
    const LibraryOutcome outcome = library_.Restore(plan, options_.verify, progress_);
    if (outcome.status == LibraryStatus::Done) {
        const QString marked =
            outcome.emptied == 0 ? QString() : QStringLiteral(", %1 marked empty").arg(EntryCount(outcome.emptied));
        PrintSummary(QStringLiteral("%1 restored from %2%3").arg(PresetCount(outcome.presets), options_.path, marked));
    }
    return Report(outcome);
}

int Librarian::Save()
{
    if (const int found = FindDevice(); found != ExitOk)
        return found;
    QString error;
    const std::optional<PresetImageArray> image = library_.ReadCurrentSettings(&error);
    if (!image) {
        if (!error.isEmpty())
            PrintError(error);
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
    RestorePlan plan;
    plan.inputs = {{options_.entries.front(), options_.name, image}};
    return Report(library_.Restore(plan, options_.verify, progress_));
}

} // namespace ksr
