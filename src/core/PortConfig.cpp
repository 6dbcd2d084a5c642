#include "core/PortConfig.h"

#include "core/FileWriting.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace ksr {

std::int16_t PortConfigRecord::PortNumber() const
{
    return static_cast<std::int16_t>(bytes[0] | (bytes[1] << 8));
}

void PortConfigRecord::SetPortNumber(std::int16_t number)
{
    const auto value = static_cast<std::uint16_t>(number);
    bytes[0] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

PortConfigRecord ParsePortConfig(const QByteArray &bytes)
{
    PortConfigRecord record;
    std::copy_n(bytes.begin(), std::min<qsizetype>(bytes.size(), PortConfigRecordBytes), record.bytes.begin());
    return record;
}

QByteArray PortConfigBytes(const PortConfigRecord &record)
{
    return QByteArray(reinterpret_cast<const char *>(record.bytes.data()), PortConfigRecordBytes);
}

PortConfigRecord ReadPortConfig(const QString &path, PortConfigAccess access)
{
    // Only a regular file is read, and only the record's bytes: a FIFO would
    // block start-up for ever, a device or a huge file exhaust memory.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return {};
    QFile file(path);
    const bool create = access == PortConfigAccess::CreateMissing;
    if (!(create && file.open(QIODevice::ReadWrite)) && !file.open(QIODevice::ReadOnly))
        return {};
    return ParsePortConfig(file.read(PortConfigRecordBytes));
}

bool WritePortConfig(const QString &path, const PortConfigRecord &record)
{
    QString error;
    return ReplaceFileContents(path, PortConfigBytes(record), &error);
}

} // namespace ksr
