#pragma once
// The look of the whole program: the light one of the platform (the
// default), or a dark one for dark rooms. Here is the application's palette
// for each; the program's own colours are in core/LookColours.h, the kept
// choice in ViewSettings.

#include <QPalette>
#include <QString>

namespace ksr {

// The palette of the standard controls in the dark look.
QPalette DarkPalette();
// Gives the application the dark palette (with a style that follows it),
// or back the light one of the platform and the style it had.
void ApplyApplicationLook(bool dark);

} // namespace ksr
