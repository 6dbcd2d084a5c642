#include "presets/LibraryCommands.h"

#include "core/PresetNames.h"
#include "core/State.h"
#include "core/UserDialogs.h"
#include "presets/LibraryProgressDialog.h"
#include "presets/RestoreDialog.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QWidget>

#include <algorithm>

namespace ksr {

namespace {

const QString BackupTitle = QStringLiteral("Back up device");
const QString RestoreTitle = QStringLiteral("Restore device");

// The date and time a new backup folder is named after.
QString Stamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
}

// The library's messages, one a line, each begun with a capital.
QString Sentences(const QString &lines)
{
    QStringList out = lines.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString &line : out)
        line[0] = line[0].toUpper();
    return out.join(QLatin1Char('\n'));
}

} // namespace

LibraryCommands::LibraryCommands(AppState &state, DeviceLibrary &library, UserDialogs &dialogs, QWidget *parent)
    : state_(state), library_(library), dialogs_(dialogs), parent_(parent),
      runDialog_([](QDialog &dialog) { return dialog.exec(); })
{
}

QString LibraryCommands::BackupsFolder() const
{
    return QDir(state_.StartDirectory).filePath(QStringLiteral("Backups"));
}

void LibraryCommands::Tell(const QString &title, const QString &text, bool problem)
{
    dialogs_.ShowMessage({text, title, problem ? MessageIcon::Exclamation : MessageIcon::Information});
}

LibraryOutcome LibraryCommands::WithProgress(const QString &title, const QString &verb,
                                             const std::function<QString(int)> &nameOf,
                                             const std::function<LibraryOutcome(LibraryProgress &)> &work)
{
    LibraryProgressDialog progress(title, verb, nameOf, parent_);
    progress.show();
    if (allowInput_)
        allowInput_(&progress);
    if (progressShown_)
        progressShown_(progress);
    parent_->setCursor(Qt::BusyCursor);
    LibraryOutcome outcome = work(progress);
    parent_->unsetCursor();
    if (allowInput_)
        allowInput_(nullptr);
    return outcome;
}

LibraryOutcome LibraryCommands::BackupWithProgress(const QString &title, const QString &folder)
{
    const auto nameOf = [this](int entry) { return state_.PresetNames[static_cast<std::size_t>(entry - 1)]; };
    return WithProgress(title, QStringLiteral("Reading"), nameOf,
                        [this, &folder](LibraryProgress &progress) { return library_.Backup(folder, progress); });
}

void LibraryCommands::BackupDevice()
{
    // Offline the buttons are off; the device is needed all the same.
    if (state_.DemoMode || state_.SearchActive || state_.DeviceLost)
        return;
    QDir().mkpath(BackupsFolder());
    const QString folder = dialogs_.GetFolderName({BackupTitle, BackupsFolder(), Stamp()});
    if (folder.isEmpty())
        return;
    if (const QString refusal = BackupFolderRefusal(folder); !refusal.isEmpty()) {
        Tell(BackupTitle, Sentences(refusal), true);
        return;
    }
    const LibraryOutcome outcome = BackupWithProgress(BackupTitle, folder);
    if (state_.ProgramEnding)
        return;
    switch (outcome.status) {
    case LibraryStatus::Done:
        Tell(BackupTitle, QStringLiteral("Backup complete: %1 in %2")
                              .arg(PresetCount(outcome.presets), folder),
             false);
        return;
    case LibraryStatus::Cancelled:
        // A folder made for this backup goes again when cancelled.
        Tell(BackupTitle,
             QFileInfo::exists(folder)
                 ? QStringLiteral("Backup cancelled: %1 holds no new backup.").arg(folder)
                 : QStringLiteral("Backup cancelled: %1, made for this backup, was removed again.").arg(folder),
             false);
        return;
    default:
        Tell(BackupTitle, Sentences(outcome.error.isEmpty() ? QStringLiteral("backup cut short: %1 is left as it was")
                                                                  .arg(folder)
                                                            : outcome.error),
             true);
        return;
    }
}

QString LibraryCommands::RestoreQuestion(const std::vector<int> &ticked, const QString &folder) const
{
    QStringList overwritten;
    for (const int entry : ticked) {
        const auto e = static_cast<std::size_t>(entry - 1);
        if (!state_.PresetUsed[e])
            continue;
        const QString name = UnpaddedPresetName(state_.PresetNames[e]);
        overwritten << (name.isEmpty() ? EntryText(entry) : QStringLiteral("%1 \"%2\"").arg(EntryText(entry), name));
    }
    QString question = QStringLiteral("Write %1 from %2 into the device? %3 in use in the device will be overwritten.")
                           .arg(EntryCount(static_cast<int>(ticked.size())), folder,
                                EntryCount(static_cast<int>(overwritten.size())));
    if (!overwritten.isEmpty())
        question += QStringLiteral("\nOverwritten: %1.").arg(overwritten.join(QStringLiteral(", ")));
    return question;
}

void LibraryCommands::RestoreDevice()
{
    // Offline the buttons are off; the device is needed all the same.
    if (state_.DemoMode || state_.SearchActive || state_.DeviceLost)
        return;
    QDir().mkpath(BackupsFolder());
    const QString folder = dialogs_.GetFolderName({RestoreTitle, BackupsFolder(), {}});
    if (folder.isEmpty())
        return;
    RestorePlan plan;
    if (const LibraryOutcome read = ReadRestorePlan(folder, {}, &plan); read.status != LibraryStatus::Done) {
        const bool backups = QFileInfo(folder).canonicalFilePath() == QFileInfo(BackupsFolder()).canonicalFilePath();
        Tell(RestoreTitle,
             backups ? QStringLiteral("%1 holds the backups, each in a dated folder of its own: pick one of the "
                                      "folders inside it.")
                           .arg(folder)
                     : Sentences(read.error),
             true);
        return;
    }

    const QString safetyFolder = QDir(BackupsFolder()).filePath(QStringLiteral("before-restore-%1").arg(Stamp()));
    RestoreDialog choice(plan, state_, safetyFolder, parent_);
    std::vector<int> ticked;
    // "No" to the question goes back to the list as the user left it.
    for (;;) {
        if (runDialog_(choice) != QDialog::Accepted)
            return;
        ticked = choice.TickedEntries();
        if (ticked.empty()) {
            Tell(RestoreTitle, QStringLiteral("No entry is ticked: nothing restored."), false);
            return;
        }
        if (dialogs_.ShowMessage({RestoreQuestion(ticked, folder), RestoreTitle, MessageIcon::Question,
                                  MessageButtons::YesNo, MessageAnswer::No})
            == MessageAnswer::Yes)
            break;
    }
    const auto isTicked = [&ticked](int entry) { return std::find(ticked.begin(), ticked.end(), entry) != ticked.end(); };
    std::erase_if(plan.inputs, [&](const PresetInput &input) { return !isTicked(input.entry); });
    std::erase_if(plan.emptied, [&](int entry) { return !isTicked(entry); });

    // Where the device's presets as they were can be found again.
    QString kept;
    if (choice.SafetyBackup()) {
        const LibraryOutcome safety = BackupWithProgress(QStringLiteral("Safety backup"), safetyFolder);
        if (state_.ProgramEnding)
            return;
        if (safety.status == LibraryStatus::Cancelled) {
            Tell(RestoreTitle, QStringLiteral("Restore cancelled during the safety backup: nothing was written to "
                                              "the device."),
                 false);
            return;
        }
        if (safety.status != LibraryStatus::Done) {
            Tell(RestoreTitle, QStringLiteral("The safety backup into %1 failed, so nothing was written to the "
                                              "device.\n%2")
                                   .arg(safetyFolder, Sentences(safety.error)),
                 true);
            return;
        }
        kept = QStringLiteral("\nThe device's presets as they were are backed up in %1.").arg(safetyFolder);
    }

    const auto nameOf = [&plan](int entry) {
        for (const PresetInput &input : plan.inputs) {
            if (input.entry == entry)
                return input.name;
        }
        return QString();
    };
    const LibraryOutcome outcome =
        WithProgress(RestoreTitle, QStringLiteral("Writing"), nameOf,
                     [this, &plan](LibraryProgress &progress) { return library_.Restore(plan, true, progress); });
    if (state_.ProgramEnding)
        return;
    const QString restored = PresetCount(outcome.presets);
    switch (outcome.status) {
    case LibraryStatus::Done:
        Tell(RestoreTitle,
             QStringLiteral("Restore complete: %1 restored from %2%3.")
                 .arg(restored, folder,
                      outcome.emptied == 0
                          ? QString()
                          : QStringLiteral(", %1 marked empty")
                                .arg(EntryCount(outcome.emptied)))
                 + kept,
             false);
        return;
    case LibraryStatus::Cancelled:
        Tell(RestoreTitle,
             (outcome.leftEmpty != 0
                  ? QStringLiteral("Restore cancelled after %1: entry %2, which was being written, is marked empty.")
                        .arg(restored, EntryText(outcome.leftEmpty))
                  : QStringLiteral("Restore cancelled after %1; the other entries are as they were.").arg(restored))
                 + kept,
             false);
        return;
    default:
        Tell(RestoreTitle, QStringLiteral("Restore stopped after %1.\n%2").arg(restored, Sentences(outcome.error)) + kept,
             true);
        return;
    }
}

} // namespace ksr
