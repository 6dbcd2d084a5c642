#pragma once
// Preset names as the device keeps them: one Windows-1252 byte a character.

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace ksr {

QChar AnsiToChar(std::uint8_t code);
// The Windows-1252 code of `c`; '?' for a character that has none.
std::uint8_t CharToAnsi(QChar c);
// The text of Windows-1252 bytes, one character a byte; CharToAnsi gives
// every byte back.
QString AnsiToString(const QByteArray &bytes);
// The first character of `text` that Windows-1252 has no code for (a
// character beyond U+FFFF whole, both halves of its pair); empty when every
// one has a code.
QString FirstCharacterWithoutAnsiCode(const QString &text);

} // namespace ksr
