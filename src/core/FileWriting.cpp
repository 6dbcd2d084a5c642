#include "core/FileWriting.h"

#include <QFileInfo>
#include <QSaveFile>

namespace ksr {

bool ReplaceFileContents(const QString &path, const QByteArray &data, QString *error)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        *error = QStringLiteral("it is not a regular file");
        return false;
    }
    // Unbuffered, a write that does not reach the disk fails here, where it
    // fails; buffered, a full disk went unnoticed until the empty file had
    // replaced the old one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = file.errorString();
        return false;
    }
    if (file.write(data) != data.size()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace ksr
