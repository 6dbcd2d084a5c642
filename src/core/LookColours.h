#pragma once
// The program's own colours in each look, as 0xRRGGBB: the light look the
// program always had, and the dark look for dark rooms, where every text
// stands out from its background by at least 4.5:1 and no large area is
// bright. The windows turn these into QColor; the palette of the standard
// controls lives with the windows (shell/StageLook).

#include <array>

namespace ksr {

struct LookColours {
    // The editor: the text boxes of rows under automatic control, their text,
    // and the text of controls locked while the feedback search runs.
    unsigned automaticRowBackground;
    unsigned readOnlyText;
    unsigned lockedText;
    // The response curves: background, grid lines, Left and Right curve.
    unsigned graphBackground;
    unsigned graphGrid;
    std::array<unsigned, 2> curves;
    // The journal's plot: background, grid, frame and text, Left and Right marks.
    unsigned plotBackground;
    unsigned plotGrid;
    unsigned plotText;
    std::array<unsigned, 2> plotMarks;
    // The main window's empty area around the editor.
    unsigned workspace;

    bool operator==(const LookColours &) const = default;
};

inline constexpr LookColours LightColours = {
    0xD2E4F6, 0x1F1F1F, 0x4D4D4D,
    0xFFFFFF, 0xB2B2B2, {0xFF0000, 0x0000FF},
    0xFFFFFF, 0xC8C8C8, 0x000000, {0xC00000, 0x0000C0},
    0xA0A0A4,
};

inline constexpr LookColours DarkColours = {
    0x1F3D5C, 0xF0F0F0, 0xB0B0B0,
    0x141414, 0x3C3C3C, {0xFF6060, 0x70A8FF},
    0x1A1A1A, 0x3A3A3A, 0xE0E0E0, {0xFF6B6B, 0x7FAEFF},
    0x101010,
};

// The colours of the dark look, or of the light one.
constexpr const LookColours &ColoursOf(bool dark)
{
    return dark ? DarkColours : LightColours;
}

// The relative luminance of a colour, 0 (black) to 1 (white), as the
// contrast of screen text is measured.
double RelativeLuminance(unsigned rgb);
// The contrast ratio of two colours, 1 (none) to 21 (black on white).
double ContrastRatio(unsigned a, unsigned b);

} // namespace ksr
