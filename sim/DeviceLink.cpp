#include "sim/DeviceLink.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace ksr::sim {

bool DeviceLink::Create(const QString &linkPath, const QString &target, QString *error)
{
    Remove();
    const QByteArray link = QFile::encodeName(linkPath);
    struct stat info {};
    if (lstat(link.constData(), &info) == 0) {
        if (!S_ISLNK(info.st_mode)) {
            *error = QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath);
            return false;
        }
        unlink(link.constData());
    }
    if (symlink(QFile::encodeName(target).constData(), link.constData()) != 0) {
        *error = QStringLiteral("cannot create %1: %2").arg(linkPath, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    path_ = linkPath;
    return true;
}

void DeviceLink::Remove()
{
    if (path_.isEmpty())
        return;
    unlink(QFile::encodeName(path_).constData());
    path_.clear();
}

} // namespace ksr::sim
