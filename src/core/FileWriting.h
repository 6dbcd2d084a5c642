#pragma once
// Replacing a file's contents so that a failed write never costs the file
// that was there.

#include <QByteArray>
#include <QString>

namespace ksr {

// Writes `data` to a new file beside `path` and renames it over `path` only
// once every byte has reached the disk; a full disk or any other failure
// leaves `path` as it was. Refuses to replace anything but a regular file (a
// FIFO, a device, a folder). False with `error` set on failure.
bool ReplaceFileContents(const QString &path, const QByteArray &data, QString *error);

} // namespace ksr
