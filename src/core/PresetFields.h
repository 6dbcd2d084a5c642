#pragma once
// The fields of a preset image that the device interprets, each with the
// range the device takes, and the check of an image against them. The bytes
// the program carries unchanged (the five records at the start of each
// channel, bytes 22..27 of each channel, byte 160) may hold anything.

#include "core/State.h"

#include <QString>

namespace ksr {

// The first field of `image`, in the order of its bytes, whose value lies
// outside the range the device takes, told as in "Left notch 3 gain step 255
// is outside 0..45"; empty when every field is in range.
QString FirstFieldOutOfRange(const PresetImageArray &image);

} // namespace ksr
