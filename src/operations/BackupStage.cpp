#include "operations/BackupStage.h"

#include "operations/BackupFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

} // namespace

BackupStage::BackupStage(const QString &folder)
    : folder_(folder)
{
}

BackupStage::~BackupStage()
{
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
    stage_ = std::make_unique<QTemporaryDir>(QDir(folder_).filePath(QStringLiteral(".ksr704-backup-XXXXXX")));
    if (!stage_->isValid()) {
        *error = QStringLiteral("cannot create a folder in %1: %2").arg(folder_, stage_->errorString());
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
