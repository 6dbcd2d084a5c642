#pragma once
// A new backup made beside the earlier one: its files are written into a
// hidden staging folder inside the backup folder and moved into place only
// once every one of them is there, directory.txt last. Until then the folder
// holds what it held; a stage given up takes its files with it. A stage holds
// a lock file while it lives: one left by a backup that was killed is
// removed by the next backup into the folder.

#include <QString>
#include <QStringList>
#include <QLockFile>
#include <QTemporaryDir>

#include <memory>

namespace ksr {

class BackupStage {
public:
    explicit BackupStage(const QString &folder);
    // Removes the staging folder with what is left in it, and the backup
    // folder too when this stage created it and it is empty again.
    ~BackupStage();
    BackupStage(const BackupStage &) = delete;
    BackupStage &operator=(const BackupStage &) = delete;

    // Creates the backup folder where there is none, and the staging folder
    // in it, after removing the stale stages of killed backups there; false,
    // with `error` set, when either cannot be created.
    bool Open(QString *error);
    // Where the new backup's file `name` is written meanwhile.
    QString StagedPath(const QString &name) const;
    // Moves the staged files `names` into the backup folder over those of the
    // same name, then the staged directory.txt; the earlier directory.txt
    // goes first, so that the folder never looks complete while they move.
    // False, with `error` set, when a file cannot be moved.
    bool Commit(const QStringList &names, QString *error);

private:
    QString folder_;
    bool created_ = false;
    std::unique_ptr<QTemporaryDir> stage_;
    std::unique_ptr<QLockFile> lock_;
};

} // namespace ksr
