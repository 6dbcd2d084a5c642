#include "operations/PresetModel.h"

#include "core/Protocol.h"

#include <algorithm>
#include <utility>

namespace ksr {

namespace {

constexpr int MaxGainStep = 45;
constexpr int MaxWidth = 3;

std::size_t At(int index)
{
    return static_cast<std::size_t>(index);
}

std::uint32_t Bit(int f)
{
    return std::uint32_t{1} << f;
}

std::uint8_t SettingBit(SettingControl control)
{
    return static_cast<std::uint8_t>(1U << static_cast<unsigned>(control));
}

bool ValidFilter(int f)
{
    return f >= 0 && f < FilterCount;
}

bool ValidChannel(int c)
{
    return c == 0 || c == 1;
}

bool IsLinkedOrigin(ChangeOrigin origin)
{
    return origin == ChangeOrigin::Edit || origin == ChangeOrigin::Remote;
}

} // namespace

bool PresetChange::Empty() const
{
    return Notches() == 0 && settings[0] == 0 && settings[1] == 0 && !link && !captions && !otherBytes && !wholeImage;
}

bool PresetChange::SettingChanged(SettingControl control, int c) const
{
    return ValidChannel(c) && (settings[At(c)] & SettingBit(control)) != 0;
}

void PresetChange::Merge(const PresetChange &other)
{
    gains |= other.gains;
    frequencies |= other.frequencies;
    widths |= other.widths;
    settings[0] |= other.settings[0];
    settings[1] |= other.settings[1];
    link = link || other.link;
    captions = captions || other.captions;
    otherBytes = otherBytes || other.otherBytes;
    wholeImage = wholeImage || other.wholeImage;
}

PresetModel::PresetModel(QObject *parent) : QObject(parent)
{
    // The mirrors of the empty image.
    PresetChange ignored;
    TakeImage(values_.PresetImage, ignored);
}

int PresetModel::NotchGainStep(int f) const
{
    return ValidFilter(f) ? values_.PresetImage[At(NotchOffset[At(f)])] : MaxGainStep;
}

int PresetModel::NotchFrequencyIndex(int f) const
{
    if (!ValidFilter(f))
        return 0;
    const auto o = At(NotchOffset[At(f)]);
    return values_.PresetImage[o + 1] * 256 + values_.PresetImage[o + 2];
}

int PresetModel::NotchWidth(int f) const
{
    return ValidFilter(f) ? values_.PresetImage[At(NotchOffset[At(f)] + 3)] : 0;
}

int PresetModel::SettingPosition(SettingControl control, int c) const
{
    if (!ValidChannel(c))
        return 0;
    const AutoSettingField &field = FieldOf(control);
    return ControlPosition(field, values_.ChannelSettings[SettingIndex(field.slot, c)]);
}

int PresetModel::AutoCount(int c) const
{
    return ValidChannel(c) ? values_.ChannelSettings[SettingIndex(AutoCountSlot, c)] : 0;
}

int PresetModel::AutoWidth(int c) const
{
    return ValidChannel(c) ? values_.ChannelSettings[SettingIndex(AutoQSlot, c)] : 0;
}

bool PresetModel::IsAutomaticRow(int f) const
{
    return ValidFilter(f) && f % FiltersPerChannel < AutoCount(f / FiltersPerChannel);
}

void PresetModel::WriteNotch(int f, int step, int index, int width, PresetChange &change)
{
    step = std::clamp(step, 0, MaxGainStep);
    index = std::clamp(index, 0, FrequencyCount - 1);
    width = std::clamp(width, 0, MaxWidth);
    auto &image = values_.PresetImage;
    const auto o = At(NotchOffset[At(f)]);
    const auto frequency = HighLowBytes(index);
    if (image[o] != step)
        change.gains |= Bit(f);
    if (image[o + 1] != frequency[0] || image[o + 2] != frequency[1])
        change.frequencies |= Bit(f);
    if (image[o + 3] != width)
        change.widths |= Bit(f);
    image[o] = static_cast<std::uint8_t>(step);
    image[o + 1] = frequency[0];
    image[o + 2] = frequency[1];
    image[o + 3] = static_cast<std::uint8_t>(width);
    values_.NotchGainDb[At(f)] = step - MaxGainStep;
    values_.NotchFreqHz[At(f)] = FreqTable[At(index)];
    values_.NotchWidthIndex[At(f)] = width;
}

void PresetModel::WriteSetting(SettingControl control, int c, int position, PresetChange &change)
{
    const AutoSettingField &field = FieldOf(control);
    const int stored = std::clamp(StoredValue(field, position), field.lowest, field.highest);
    const std::size_t byte = ImageIndex(field, c);
    auto &setting = values_.ChannelSettings[SettingIndex(field.slot, c)];
    if (setting != stored || values_.PresetImage[byte] != stored)
        change.settings[At(c)] |= SettingBit(control);
    setting = static_cast<std::int16_t>(stored);
    values_.PresetImage[byte] = static_cast<std::uint8_t>(stored);
    if (field.slot == AutoQSlot)
        ApplyAutoWidth(c, change);
}

void PresetModel::ApplyAutoWidth(int c, PresetChange &change)
{
    const int width = AutoWidth(c);
    for (int row = 0; row < AutoCount(c) && row < FiltersPerChannel; ++row) {
        const int f = FiltersPerChannel * c + row;
        WriteNotch(f, NotchGainStep(f), NotchFrequencyIndex(f), width, change);
    }
}

void PresetModel::TakeImage(const PresetImageArray &image, PresetChange &change)
{
    const PresetImageArray before = values_.PresetImage;
    values_.PresetImage = image;
    PresetChange clamped;
    for (int f = 0; f < FilterCount; ++f)
        WriteNotch(f, NotchGainStep(f), std::min(NotchFrequencyIndex(f), FrequencyCount - 1), NotchWidth(f), clamped);
    for (int c = 0; c < 2; ++c) {
        for (const AutoSettingField &field : AutoSettingFields) {
            const std::size_t byte = ImageIndex(field, c);
            const int stored = StoredFromImage(field, values_.PresetImage[byte]);
            values_.ChannelSettings[SettingIndex(field.slot, c)] = static_cast<std::int16_t>(stored);
            values_.PresetImage[byte] = static_cast<std::uint8_t>(stored);
        }
    }
    // What differs from before, field by field.
    std::array<bool, PresetImageBytes> shown{};
    for (int f = 0; f < FilterCount; ++f) {
        const auto o = At(NotchOffset[At(f)]);
        const auto differs = [&](std::size_t k) { return before[o + k] != values_.PresetImage[o + k]; };
        change.gains |= differs(0) ? Bit(f) : 0;
        change.frequencies |= differs(1) || differs(2) ? Bit(f) : 0;
        change.widths |= differs(3) ? Bit(f) : 0;
        std::fill_n(shown.begin() + static_cast<std::ptrdiff_t>(o), 4, true);
    }
    for (int c = 0; c < 2; ++c) {
        for (const AutoSettingField &field : AutoSettingFields) {
            const std::size_t byte = ImageIndex(field, c);
            shown[byte] = true;
            if (before[byte] != values_.PresetImage[byte])
                change.settings[At(c)] |= SettingBit(field.control);
        }
    }
    for (std::size_t i = 0; i < PresetImageBytes; ++i)
        change.otherBytes = change.otherBytes || (!shown[i] && before[i] != values_.PresetImage[i]);
}

std::array<int, 2> PresetModel::Targets(int f, ChangeOrigin origin) const
{
    return {f, Linked() && IsLinkedOrigin(origin) ? PartnerFilter(f) : -1};
}

void PresetModel::SetNotchFields(int f, std::optional<int> step, std::optional<int> index, std::optional<int> width,
                                 ChangeOrigin origin)
{
    if (!ValidFilter(f))
        return;
    PresetChange change{origin};
    for (const int t : Targets(f, origin)) {
        if (t >= 0)
            WriteNotch(t, step.value_or(NotchGainStep(t)), index.value_or(NotchFrequencyIndex(t)),
                       width.value_or(NotchWidth(t)), change);
    }
    Tell(change);
}

void PresetModel::SetNotchGain(int f, int step, ChangeOrigin origin)
{
    SetNotchFields(f, step, std::nullopt, std::nullopt, origin);
}

void PresetModel::SetNotchFrequency(int f, int index, ChangeOrigin origin)
{
    SetNotchFields(f, std::nullopt, index, std::nullopt, origin);
}

void PresetModel::SetNotchWidth(int f, int width, ChangeOrigin origin)
{
    SetNotchFields(f, std::nullopt, std::nullopt, width, origin);
}

void PresetModel::SetNotch(int f, int step, int index, int width, ChangeOrigin origin)
{
    if (!ValidFilter(f))
        return;
    PresetChange change{origin};
    WriteNotch(f, step, index, width, change);
    Tell(change);
}

void PresetModel::SetSetting(SettingControl control, int c, int position, ChangeOrigin origin)
{
    if (!ValidChannel(c))
        return;
    PresetChange change{origin};
    WriteSetting(control, c, position, change);
    if (Linked() && IsLinkedOrigin(origin))
        WriteSetting(control, 1 - c, position, change);
    Tell(change);
}

void PresetModel::SetLinked(bool linked, ChangeOrigin origin)
{
    PresetChange change{origin};
    change.link = Linked() != linked;
    values_.LinkFlag = linked ? 1 : 0;
    Tell(change);
}

void PresetModel::SetCaptions(const QString &source, const QString &name, ChangeOrigin origin)
{
    PresetChange change{origin};
    change.captions = values_.PresetSource != source || values_.PresetName != name;
    values_.PresetSource = source;
    values_.PresetName = name;
    Tell(change);
}

void PresetModel::LoadPreset(const PresetImageArray &image, ChangeOrigin origin)
{
    PresetChange change{origin};
    TakeImage(image, change);
    for (int c = 0; c < 2; ++c)
        ApplyAutoWidth(c, change);
    change.link = Linked();
    values_.LinkFlag = 0;
    change.wholeImage = true;
    Tell(change);
}

void PresetModel::ApplyAutoWidths(int c, ChangeOrigin origin)
{
    if (!ValidChannel(c))
        return;
    PresetChange change{origin};
    ApplyAutoWidth(c, change);
    Tell(change);
}

void PresetModel::SetValues(const PresetImageArray &image, bool linked, const QString &source, const QString &name,
                            ChangeOrigin origin)
{
    PresetChange change{origin};
    TakeImage(image, change);
    change.link = Linked() != linked;
    values_.LinkFlag = linked ? 1 : 0;
    change.captions = values_.PresetSource != source || values_.PresetName != name;
    values_.PresetSource = source;
    values_.PresetName = name;
    Tell(change);
}

void PresetModel::Tell(const PresetChange &change)
{
    if (batchDepth_ > 0 && change.origin == batchOrigin_) {
        pending_.Merge(change);
        return;
    }
    Flush();
    if (!change.Empty())
        emit Changed(change);
}

void PresetModel::Flush()
{
    if (pending_.Empty())
        return;
    const PresetChange change = std::exchange(pending_, PresetChange{batchOrigin_});
    emit Changed(change);
}

PresetModel::Batch::Batch(PresetModel &model, ChangeOrigin origin) : model_(model)
{
    if (model_.batchDepth_++ == 0) {
        model_.batchOrigin_ = origin;
        model_.pending_ = PresetChange{origin};
    }
}

PresetModel::Batch::~Batch()
{
    if (--model_.batchDepth_ == 0)
        model_.Flush();
}

} // namespace ksr
