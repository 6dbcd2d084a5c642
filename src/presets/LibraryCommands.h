#pragma once
// "Back up device..." and "Restore device..." of the main window: the folder
// dialog, the restore's list and question, a safety backup before a
// restore, the progress dialog with Cancel, and the closing message. The
// work itself is the command line's (DeviceLibrary), so that either restores
// a backup made by the other.

#include "operations/DeviceLibrary.h"

#include <functional>
#include <vector>

class QDialog;
class QWidget;

namespace ksr {

struct AppState;
class LibraryProgressDialog;
class UserDialogs;

class LibraryCommands {
public:
    LibraryCommands(AppState &state, DeviceLibrary &library, UserDialogs &dialogs, QWidget *parent);

    // Lets `window` (null: none) take input during the device's waits.
    void SetInputDuringWaits(std::function<void(QWidget *)> allow) { allowInput_ = std::move(allow); }
    // Runs a modal dialog (the restore's list); exec() unless told otherwise.
    void SetDialogRunner(std::function<int(QDialog &)> run) { runDialog_ = std::move(run); }
    // Runs while the progress dialog is open, before the work starts.
    void SetProgressShown(std::function<void(LibraryProgressDialog &)> shown) { progressShown_ = std::move(shown); }

    // Asks for a new folder in Backups/ and backs the device up into it.
    void BackupDevice();
    // Asks for a backup folder, what to restore from it and whether to
    // back up first, then writes the ticked entries into the device.
    void RestoreDevice();
    // Backups/ in the start folder.
    QString BackupsFolder() const;

private:
    // Runs `work` with a progress dialog titled `title` open.
    LibraryOutcome WithProgress(const QString &title, const QString &verb, const std::function<QString(int)> &nameOf,
                                const std::function<LibraryOutcome(LibraryProgress &)> &work);
    // A backup of the device into `folder`, with its progress.
    LibraryOutcome BackupWithProgress(const QString &title, const QString &folder);
    // The restore's question: how many of the `ticked` entries are written
    // from `folder`, and which of them in use in the device are overwritten.
    QString RestoreQuestion(const std::vector<int> &ticked, const QString &folder) const;
    // Tells the user `text` in a box titled `title`.
    void Tell(const QString &title, const QString &text, bool problem);

    AppState &state_;
    DeviceLibrary &library_;
    UserDialogs &dialogs_;
    QWidget *parent_;
    std::function<void(QWidget *)> allowInput_;
    std::function<int(QDialog &)> runDialog_;
    std::function<void(LibraryProgressDialog &)> progressShown_;
};

} // namespace ksr
