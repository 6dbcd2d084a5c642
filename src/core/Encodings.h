#pragma once
// Snapping typed values to the device's grid and cutting values into frame bytes.

#include <QStringView>

#include <array>
#include <cstdint>
#include <span>

namespace ksr {

// Index of the value of ascending `values` nearest to x; ties go to the lower
// neighbour, a value below the first gives 0, one above the last gives
// `aboveAll`.
int NearestIndex(std::span<const double> values, double x, int aboveAll);

// Gain step 0..45 whose gain (step - 45 dB) is nearest to x.
int NearestGainStep(double x);
// FreqTable value nearest to x.
double NearestTableFrequency(double x);
// FreqTable index 0..729 nearest to x.
int NearestFrequencyIndex(double x);
// Whole sensitivity 1..16 nearest to x.
int NearestSensitivity(double x);

// The value rounded (halves to even) as a 32-bit number, big-endian: [2] and
// [3] are the high and low byte of a 16-bit value.
std::array<std::uint8_t, 4> SplitToBytes(double value);

// The number a text box holds, read as far as it goes ("12?" is 12, "" is 0):
// ASCII blanks, a sign, then digits with an optional point.
double LeadingNumber(QStringView text);

// Decimal logarithm, ln(x) / ln(10).
double Log10(double x);

} // namespace ksr
