#pragma once
// init.cfg: a 14-byte record whose first two bytes are the serial port
// number (little-endian, signed); the other twelve are kept as they were.

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

namespace ksr {

inline constexpr int PortConfigRecordBytes = 14;

struct PortConfigRecord {
    std::array<std::uint8_t, PortConfigRecordBytes> bytes{};

    std::int16_t PortNumber() const;
    void SetPortNumber(std::int16_t number);
};

// The record that a file's first bytes make: zeros where it has no bytes.
PortConfigRecord ParsePortConfig(const QByteArray &bytes);
// The 14 bytes of the record as the file holds them.
QByteArray PortConfigBytes(const PortConfigRecord &record);

// How ReadPortConfig opens the file.
enum class PortConfigAccess {
    CreateMissing, // for reading and writing, which creates it empty where there was none
    ReadOnly,      // for reading only: nothing is created or changed
};

// The record in `path`. A file that is missing, short, unreadable or not a
// regular file counts as zeros where it has no bytes (port 0 opens nothing,
// so the search runs). Only a regular file is opened, as `access` says, and
// only its first 14 bytes are read.
PortConfigRecord ReadPortConfig(const QString &path, PortConfigAccess access = PortConfigAccess::CreateMissing);
// Replaces `path` with the record; false when it cannot be written or is not
// a regular file, which it then leaves alone (start-up goes on regardless).
bool WritePortConfig(const QString &path, const PortConfigRecord &record);

} // namespace ksr
