#include "sim/StateFile.h"

#include "core/FileWriting.h"

#include <QFile>

namespace ksr::sim {

std::optional<QByteArray> ReadStateFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    return file.readAll();
}

bool WriteStateFile(const QString &path, const QByteArray &state, QString *error)
{
    QString why;
    if (!ReplaceFileContents(path, state, &why)) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, why);
        return false;
    }
    return true;
}

} // namespace ksr::sim
