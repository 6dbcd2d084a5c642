#include "core/AnsiText.h"

#include <array>

namespace ksr {

namespace {

// 0x80..0x9F differ from Latin-1; 0 marks the five codes without a character.
constexpr std::array<char16_t, 32> HighControlRange = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

QChar AnsiToChar(std::uint8_t code)
{
    if (code >= 0x80 && code <= 0x9F) {
        const char16_t mapped = HighControlRange[code - 0x80u];
        // Codes without a character stand for themselves, as the system's own conversion does.
        return QChar(mapped != 0 ? mapped : char16_t(code));
    }
    return QChar(char16_t(code));
}

std::uint8_t CharToAnsi(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<std::uint8_t>(u);
    // The five codes without a character were read as themselves: they go
    // back as the byte they came from.
    if (u >= 0x80 && u <= 0x9F && HighControlRange[u - 0x80u] == 0)
        return static_cast<std::uint8_t>(u);
    for (std::size_t i = 0; i < HighControlRange.size(); ++i) {
        if (HighControlRange[i] != 0 && HighControlRange[i] == u)
            return static_cast<std::uint8_t>(0x80 + i);
    }
    return '?';
}

QString AnsiToString(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes)
        text += AnsiToChar(static_cast<std::uint8_t>(byte));
    return text;
}

QString FirstCharacterWithoutAnsiCode(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('?') || CharToAnsi(c) != '?')
            continue;
        const bool pair = c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        return text.mid(i, pair ? 2 : 1);
    }
    return {};
}

} // namespace ksr
