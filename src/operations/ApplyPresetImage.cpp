#include "operations/ApplyPresetImage.h"

#include "core/AutoSettingFields.h"

#include <algorithm>

namespace ksr {

namespace {

bool IsModeSlot(SettingSlot slot)
{
    return slot == ReleaseModeSlot || slot == SearchModeSlot;
}

bool NotchEqual(const PresetImageArray &a, const PresetImageArray &b, int f)
{
    const auto o = static_cast<std::ptrdiff_t>(NotchOffset[static_cast<std::size_t>(f)]);
    return std::equal(a.begin() + o, a.begin() + o + 4, b.begin() + o);
}

} // namespace

void ApplyPresetImage(PresetModel &model, ParameterSender &sender, const PresetImageArray &image,
                      const QString &source, const QString &name, ChangeOrigin origin)
{
    model.SetValues(image, false, source, name, origin);
    for (int f = 0; f < FilterCount; ++f)
        sender.SendNotchFilter(f);
    for (int c = 0; c < 2; ++c) {
        sender.SendAutoCount(c);
        model.ApplyAutoWidths(c, origin);
        sender.SendAutoQ(c);
        sender.SendAttenuationMode(c);
        sender.SendSensitivity(c);
        sender.SendReleaseMode(c);
        sender.SendSearchMode(c);
    }
}

namespace {

// The frames that bring a device holding `current` to `target`.
struct FramesToSend {
    std::array<bool, 2> search{};
    std::array<bool, 2> modes{};
    std::array<bool, FilterCount> notches{};
};

FramesToSend FramesBetween(const PresetImageArray &current, const PresetImageArray &target)
{
    FramesToSend frames;
    // The image as the settings leave it: a channel whose width changes
    // gives it to its automatic rows (as many as its new count).
    PresetImageArray widened = current;
    for (int c = 0; c < 2; ++c) {
        const auto i = static_cast<std::size_t>(c);
        bool widthChanged = false;
        for (const AutoSettingField &field : AutoSettingFields) {
            const std::size_t byte = ImageIndex(field, c);
            if (current[byte] == target[byte])
                continue;
            (IsModeSlot(field.slot) ? frames.modes[i] : frames.search[i]) = true;
            widthChanged = widthChanged || field.slot == AutoQSlot;
        }
        if (!widthChanged)
            continue;
        const int count = target[static_cast<std::size_t>(AutoCountOffset[i])];
        for (int row = 0; row < FiltersPerChannel && row < count; ++row) {
            const auto o = static_cast<std::size_t>(NotchOffset[static_cast<std::size_t>(FiltersPerChannel * c + row)]);
            widened[o + 3] = target[static_cast<std::size_t>(AutoQOffset[i])];
        }
    }
    for (int f = 0; f < FilterCount; ++f)
        frames.notches[static_cast<std::size_t>(f)] = !NotchEqual(widened, target, f);
    return frames;
}

// Sends `frames` with the model's values.
void Send(ParameterSender &sender, const FramesToSend &frames)
{
    for (int c = 0; c < 2; ++c) {
        if (frames.search[static_cast<std::size_t>(c)])
            sender.SendAutoSearch(c);
        if (frames.modes[static_cast<std::size_t>(c)])
            sender.SendSearchModes(c);
    }
    for (int f = 0; f < FilterCount; ++f) {
        if (frames.notches[static_cast<std::size_t>(f)])
            sender.SendNotchFilter(f);
    }
}

} // namespace

void ApplyEditSnapshot(PresetModel &model, ParameterSender &sender, const EditSnapshot &target, ChangeOrigin origin)
{
    const FramesToSend frames = FramesBetween(model.Image(), target.image);
    // Told once the frames are out, as an edit is.
    const PresetModel::Batch toldOnceSent(model, origin);
    model.SetValues(target.image, target.linked, target.source, target.name, origin);
    Send(sender, frames);
}

void SendDifferences(const PresetModel &model, ParameterSender &sender, const PresetImageArray &device)
{
    Send(sender, FramesBetween(device, model.Image()));
}

} // namespace ksr
