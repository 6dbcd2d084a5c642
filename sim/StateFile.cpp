#include "sim/StateFile.h"

#include <QFile>
#include <QSaveFile>

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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(state) != state.size() || !file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

} // namespace ksr::sim
