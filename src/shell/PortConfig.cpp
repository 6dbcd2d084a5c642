#include "shell/PortConfig.h"

#include <QFile>
#include <QSaveFile>

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

PortConfigRecord ReadPortConfig(const QString &path)
{
    PortConfigRecord record;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) && !file.open(QIODevice::ReadOnly))
        return record;
    const QByteArray data = file.read(static_cast<qint64>(record.bytes.size()));
    std::copy(data.begin(), data.end(), record.bytes.begin());
    return record;
}

bool WritePortConfig(const QString &path, const PortConfigRecord &record)
{
    QByteArray data;
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly))
        data = existing.readAll();
    existing.close();
    const auto size = static_cast<qsizetype>(record.bytes.size());
    if (data.size() < size)
        data.resize(size);
    std::copy(record.bytes.begin(), record.bytes.end(), data.begin());

    // A new file replaces the old one only once it is complete.
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
}

} // namespace ksr
