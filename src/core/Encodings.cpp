#include "core/Encodings.h"

#include "core/Tables.h"

#include <cmath>

namespace ksr {

namespace {

constexpr std::array<double, 46> GainValues = [] {
    std::array<double, 46> v{};
    for (int k = 0; k < 46; ++k)
        v[static_cast<std::size_t>(k)] = k - 45;
    return v;
}();

constexpr std::array<double, 16> SensitivityValues = [] {
    std::array<double, 16> v{};
    for (int k = 0; k < 16; ++k)
        v[static_cast<std::size_t>(k)] = k + 1;
    return v;
}();

bool IsAsciiBlank(QChar c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

bool IsAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

double LeadingNumber(QStringView text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && IsAsciiBlank(text[i]))
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    const qsizetype wholeStart = i;
    while (i < n && IsAsciiDigit(text[i]))
        ++i;
    bool anyDigit = i > wholeStart;
    if (i < n && text[i] == u'.') {
        const qsizetype fractionStart = ++i;
        while (i < n && IsAsciiDigit(text[i]))
            ++i;
        anyDigit = anyDigit || i > fractionStart;
    }
    // A sign or a point without a digit is no number.
    return anyDigit ? text.sliced(start, i - start).toDouble() : 0.0;
}

int NearestIndex(std::span<const double> values, double x, int aboveAll)
{
    int prev = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const double v = values[i];
        if (v < x) {
            prev = static_cast<int>(i);
            continue;
        }
        if (v == x)
            return static_cast<int>(i);
        const double dLow = x - values[static_cast<std::size_t>(prev)];
        const double dHigh = v - x;
        return dHigh < dLow ? static_cast<int>(i) : prev;
    }
    // Every value lies below x.
    return aboveAll;
}

int NearestGainStep(double x)
{
    return NearestIndex(GainValues, x, 0);
}

double NearestTableFrequency(double x)
{
    return FreqTable[static_cast<std::size_t>(NearestFrequencyIndex(x))];
}

int NearestFrequencyIndex(double x)
{
    return NearestIndex(FreqTable, x, 0);
}

int NearestSensitivity(double x)
{
    return NearestIndex(SensitivityValues, x, 15) + 1;
}

std::array<std::uint8_t, 4> SplitToBytes(double value)
{
    // nearbyint rounds halves to even in the default rounding mode. Values
    // outside 0 .. 2^32 - 1 never come from the callers; they are clamped so
    // that the conversion stays defined.
    const double rounded = std::nearbyint(value);
    const auto r = !(rounded > 0) ? 0u
                   : rounded >= 4294967295.0 ? 4294967295u
                                             : static_cast<std::uint32_t>(rounded);
    return {static_cast<std::uint8_t>(r >> 24), static_cast<std::uint8_t>(r >> 16),
            static_cast<std::uint8_t>(r >> 8), static_cast<std::uint8_t>(r)};
}

double Log10(double x)
{
    return std::log(x) / std::log(10.0);
}

} // namespace ksr
