#pragma once
// Fixed-size byte arrays as QByteArray.

#include <QByteArray>

#include <array>
#include <cstdint>

namespace ksr::sim {

template <std::size_t N>
QByteArray ToBytes(const std::array<std::uint8_t, N> &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(N));
}

} // namespace ksr::sim
