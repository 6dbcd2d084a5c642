#include "operations/BackupStage.h"

#include "operations/BackupFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace ksr {

namespace {

// The path as the file system library takes it, from UTF-8 on every system.
std::filesystem::path FileSystemPath(const QString &path)
{
    const QByteArray utf8 = QDir::toNativeSeparators(path).toUtf8();
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t *>(utf8.constData()), static_cast<std::size_t>(utf8.size())));
}

// A staging folder's name: the pattern's six characters after the prefix.
const QString StagePrefix = QStringLiteral(".ksr704-backup-");
constexpr int StageNameLength = 15 + 6;
// The lock file a live stage holds.
const QString StageLock = QStringLiteral(".lock");
// A stage without a lock file (one of a program before the lock, or killed
// before it took it) is stale when untouched this long.
constexpr qint64 UnlockedStaleSeconds = 60;

// Whether the stage `dir` holds only what a backup writes there: regular
// files, preset files, directory.txt and the lock.
bool HoldsOnlyBackupFiles(const QDir &dir)
{
    const QFileInfoList entries = dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    return std::all_of(entries.begin(), entries.end(), [](const QFileInfo &entry) {
        const QString name = entry.fileName();
        return entry.isFile() && !entry.isSymLink()
               && (name.endsWith(QLatin1String(".Fbk")) || name == QLatin1String(DirectoryFileName)
                   || name == StageLock);
    });
}

// Removes the stages in `folder` that no live backup holds: ours by name,
// holding nothing but a backup's files, whose lock's process has ended (or,
// without a lock, untouched for a while). Anything else is left alone.
void RemoveStaleStages(const QString &folder)
{
    const QDir parent(folder);
    const QFileInfoList stages =
        parent.entryInfoList({StagePrefix + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    for (const QFileInfo &info : stages) {
        if (info.fileName().size() != StageNameLength)
            continue;
        QDir stage(info.filePath());
        const QString lockPath = stage.filePath(StageLock);
        if (!QFileInfo::exists(lockPath)
            && info.lastModified().secsTo(QDateTime::currentDateTime()) < UnlockedStaleSeconds)
            continue;
        if (!HoldsOnlyBackupFiles(stage))
            continue;
        // The lock is taken only from a process that has ended, never for its age.
        QLockFile lock(lockPath);
        lock.setStaleLockTime(0);
        if (!lock.tryLock(0))
            continue;
        for (const QString &name : stage.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
            if (name != StageLock)
                stage.remove(name);
        }
        lock.unlock();
        parent.rmdir(info.fileName());
    }
}

} // namespace

BackupStage::BackupStage(const QString &folder)
    : folder_(folder)
{
}

BackupStage::~BackupStage()
{
    lock_.reset();
    if (stage_)
        stage_->remove();
    // Only an empty folder goes: a completed backup is in it.
    if (created_)
        QDir().rmdir(folder_);
}

bool BackupStage::Open(QString *error)
{
    created_ = !QFileInfo::exists(folder_);
    if (!QDir().mkpath(folder_)) {
        created_ = false;
        *error = QStringLiteral("cannot create the folder %1").arg(folder_);
        return false;
    }
    RemoveStaleStages(folder_);
    stage_ = std::make_unique<QTemporaryDir>(QDir(folder_).filePath(StagePrefix + QStringLiteral("XXXXXX")));
    if (!stage_->isValid()) {
        *error = QStringLiteral("cannot create a folder in %1: %2").arg(folder_, stage_->errorString());
        return false;
    }
    lock_ = std::make_unique<QLockFile>(stage_->filePath(StageLock));
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        *error = QStringLiteral("cannot create a file in %1").arg(stage_->path());
        return false;
    }
    return true;
}

QString BackupStage::StagedPath(const QString &name) const
{
    return stage_->filePath(name);
}

bool BackupStage::Commit(const QStringList &names, QString *error)
{
    const QDir folder(folder_);
    const QString directoryName = QString::fromLatin1(DirectoryFileName);
    const QStringList all = names + QStringList{directoryName};
    // Nothing moves while one of them could not replace what is there.
    for (const QString &name : all) {
        const QFileInfo target(folder.filePath(name));
        if (target.exists() && !target.isFile()) {
            *error = QStringLiteral("cannot replace %1: it is not a regular file").arg(target.filePath());
            return false;
        }
    }
    const QString directoryPath = folder.filePath(directoryName);
    if (QFileInfo::exists(directoryPath) && !QFile::remove(directoryPath)) {
        *error = QStringLiteral("cannot replace %1").arg(directoryPath);
        return false;
    }
    for (const QString &name : all) {
        // A rename within the folder's file system replaces the file at once.
        std::error_code failed;
        std::filesystem::rename(FileSystemPath(StagedPath(name)), FileSystemPath(folder.filePath(name)), failed);
        if (failed) {
            *error = QStringLiteral("cannot move %1 into %2 (%3): the folder holds no %4 now")
                         .arg(name, folder_, QString::fromStdString(failed.message()), directoryName);
            return false;
        }
    }
    return true;
}

} // namespace ksr
