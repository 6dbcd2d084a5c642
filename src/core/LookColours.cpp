#include "core/LookColours.h"

#include <algorithm>
#include <cmath>

namespace ksr {

namespace {

// One 8-bit sRGB channel as linear light.
double LinearChannel(unsigned v8)
{
    const double v = static_cast<double>(v8 & 0xFFu) / 255.0;
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

} // namespace

double RelativeLuminance(unsigned rgb)
{
    return 0.2126 * LinearChannel(rgb >> 16) + 0.7152 * LinearChannel(rgb >> 8) + 0.0722 * LinearChannel(rgb);
}

double ContrastRatio(unsigned a, unsigned b)
{
    const double la = RelativeLuminance(a);
    const double lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace ksr
