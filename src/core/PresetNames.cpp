#include "core/PresetNames.h"

#include "core/AnsiText.h"

#include <QList>

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

QString UnpaddedPresetName(const QString &name)
{
    qsizetype first = 0;
    qsizetype end = name.size();
    while (first < end && name.at(first) == QLatin1Char(' '))
        ++first;
    while (end > first && name.at(end - 1) == QLatin1Char(' '))
        --end;
    return name.mid(first, end - first);
}

QString PresetNameRefusal(const QString &name)
{
    const QString odd = FirstCharacterWithoutAnsiCode(name);
    if (odd.isEmpty())
        return {};
    const QString code = QString::number(odd.toUcs4().constFirst(), 16).toUpper().rightJustified(4, QLatin1Char('0'));
    return QStringLiteral("name \"%1\" holds \"%2\" (U+%3), which a preset name cannot: the device keeps "
                          "Windows-1252 characters only")
        .arg(name, odd, code);
}

} // namespace ksr
