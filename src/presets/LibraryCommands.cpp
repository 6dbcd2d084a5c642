#include "presets/LibraryCommands.h"

#include "core/State.h"
#include "core/UserDialogs.h"
#include "presets/LibraryProgressDialog.h"
#include "presets/RestoreDialog.h"

#include <QDateTime>
#include <QDir>
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
    if (state_.DemoMode || state_.SearchActive)
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
        Tell(BackupTitle, QStringLiteral("Backup cancelled: %1 holds no new backup.").arg(folder), false);
        return;
    default:
        Tell(BackupTitle, Sentences(outcome.error.isEmpty() ? QStringLiteral("backup cut short: %1 is left as it was")
                                                                  .arg(folder)
                                                            : outcome.error),
             true);
        return;
    }
}

void LibraryCommands::RestoreDevice()
{
    if (state_.DemoMode || state_.SearchActive)
        return;
    QDir().mkpath(BackupsFolder());
    const QString folder = dialogs_.GetFolderName({RestoreTitle, BackupsFolder(), {}});
    if (folder.isEmpty())
        return;
    RestorePlan plan;
    if (const LibraryOutcome read = ReadRestorePlan(folder, {}, &plan); read.status != LibraryStatus::Done) {
        Tell(RestoreTitle, Sentences(read.error), true);
        return;
    }

    const QString safetyFolder = QDir(BackupsFolder()).filePath(QStringLiteral("before-restore-%1").arg(Stamp()));
    RestoreDialog choice(plan, state_, safetyFolder, parent_);
    if (runDialog_(choice) != QDialog::Accepted)
        return;
    const std::vector<int> ticked = choice.TickedEntries();
    if (ticked.empty()) {
        Tell(RestoreTitle, QStringLiteral("No entry is ticked: nothing restored."), false);
        return;
    }
    const auto isTicked = [&ticked](int entry) { return std::find(ticked.begin(), ticked.end(), entry) != ticked.end(); };
    std::erase_if(plan.inputs, [&](const PresetInput &input) { return !isTicked(input.entry); });
    std::erase_if(plan.emptied, [&](int entry) { return !isTicked(entry); });
    const auto overwritten = std::count_if(ticked.begin(), ticked.end(), [this](int entry) {
        return state_.PresetUsed[static_cast<std::size_t>(entry - 1)];
    });
    const QString question =
        QStringLiteral("Write %1 from %2 into the device? %3 in use in the device will be overwritten.")
            .arg(EntryCount(static_cast<int>(ticked.size())), folder,
                 EntryCount(static_cast<int>(overwritten)));
    if (dialogs_.ShowMessage({question, RestoreTitle, MessageIcon::Question, MessageButtons::YesNo,
                              MessageAnswer::No}) != MessageAnswer::Yes)
        return;

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
