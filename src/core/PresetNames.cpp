#include "core/PresetNames.h"

#include "core/AnsiText.h"

namespace ksr {

QString PadPresetName(const QString &name)
{
    const qsizetype spaces = 8 - name.size();
    if (spaces <= 0)
        return name;
    const qsizetype left = (spaces + 1) / 2;
    return QString(left, QLatin1Char(' ')) + name + QString(spaces - left, QLatin1Char(' '));
}

std::array<std::uint8_t, 8> NameBytes(const QString &name)
{
    const QString padded = PadPresetName(name);
    std::array<std::uint8_t, 8> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = CharToAnsi(padded.at(static_cast<qsizetype>(i)));
    return bytes;
}

} // namespace ksr
