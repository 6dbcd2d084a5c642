#pragma once
// Bringing the model and the device to a preset: all of it after a preset
// was taken in as a whole, or only what differs from an edit snapshot.

#include "operations/EditSnapshot.h"
#include "operations/ParameterSending.h"
#include "operations/PresetModel.h"

namespace ksr {

// Takes `image` as a whole, unlinked, named by `source` and `name`, and sends
// all of it: every filter as taken in, then each channel's settings, after
// which its automatic rows take its automatic width, as the device's do.
// Values outside a control's range are clamped; the image then holds them.
void ApplyPresetImage(PresetModel &model, ParameterSender &sender, const PresetImageArray &image,
                      const QString &source, const QString &name, ChangeOrigin origin);

// Brings the model and the device to `target`, sending only what differs:
// one automatic-search frame per channel whose count, width, attenuation or
// sensitivity changed, one mode frame per channel whose release or search
// mode changed, then one frame per changed filter. An automatic row that
// took its channel's new width needs no frame of its own.
void ApplyEditSnapshot(PresetModel &model, ParameterSender &sender, const EditSnapshot &target, ChangeOrigin origin);

// Sends what a device holding `device` needs to hold the model's settings,
// the frames ApplyEditSnapshot sends for the same difference; the model
// stays as it is.
void SendDifferences(const PresetModel &model, ParameterSender &sender, const PresetImageArray &device);

} // namespace ksr
