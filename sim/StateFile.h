#pragma once
// Reading and atomically writing the simulator's device state file.

#include <QByteArray>
#include <QString>

#include <optional>

namespace ksr::sim {

// The file's bytes; nullopt with `error` set when it cannot be read.
std::optional<QByteArray> ReadStateFile(const QString &path, QString *error);
// Replaces the file with `state` in one step; false with `error` set on failure.
bool WriteStateFile(const QString &path, const QByteArray &state, QString *error);

} // namespace ksr::sim
