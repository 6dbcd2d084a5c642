#pragma once
// The device found again after it was lost: how its current settings differ
// from the window's, the question between them, and keeping the device's.

#include "core/State.h"
#include "core/UserDialogs.h"
#include "operations/PresetModel.h"

namespace ksr {

// How many settings differ between two images: each notch's gain,
// frequency and width, and each channel's six automatic settings.
int DifferingSettings(const PresetImageArray &device, const PresetImageArray &window);

// The question asked when `count` settings differ; Yes keeps the device's
// settings (the default: what the audience hears), No sends the window's.
MessageRequest DeviceReturnQuestion(int count);

// The model takes the device's settings, keeping its link and captions:
// one step of the edit history, nothing sent (the device has them).
void KeepDeviceSettings(PresetModel &model, const PresetImageArray &device);

} // namespace ksr
