#pragma once
// A command frame as the bytes that go on the line, from its code and arguments.

#include "core/Frames.h"

#include <QByteArray>

namespace ksr::test {

inline QByteArray F(std::uint8_t code, std::uint8_t b3 = 0, std::uint8_t b4 = 0, std::uint8_t b5 = 0,
                    std::uint8_t b6 = 0, std::uint8_t b7 = 0, std::uint8_t b8 = 0)
{
    const Frame frame = BuildFrame({code, b3, b4, b5, b6, b7, b8});
    return QByteArray(reinterpret_cast<const char *>(frame.data()), ReplyBytes);
}

} // namespace ksr::test
