#include "operations/EditSnapshot.h"

#include <algorithm>

namespace ksr {

namespace {

// The width of the field starting at each image offset: 2 for a frequency's
// high byte, 0 for its low byte (part of that field), 1 for every other byte.
constexpr std::array<std::uint8_t, PresetImageBytes> FieldWidth = [] {
    std::array<std::uint8_t, PresetImageBytes> widths{};
    widths.fill(1);
    for (const int o : NotchOffset) {
        widths[static_cast<std::size_t>(o + 1)] = 2;
        widths[static_cast<std::size_t>(o + 2)] = 0;
    }
    return widths;
}();

// Per byte: offset, before, after.
constexpr std::size_t ChangeBytes = 3;

template <typename T>
std::optional<std::array<T, 2>> ChangedPair(const T &before, const T &after)
{
    if (before == after)
        return std::nullopt;
    return std::array<T, 2>{before, after};
}

// `value` set back (or forward) when it still holds what the step made it.
template <typename T>
void ReplaceIfUnchanged(T &value, const std::optional<std::array<T, 2>> &pair, bool undo)
{
    if (pair && value == (*pair)[undo ? 1 : 0])
        value = (*pair)[undo ? 0 : 1];
}

} // namespace

EditSnapshot TakeEditSnapshot(const PresetModel &model)
{
    return {model.Image(), model.Linked(), model.Source(), model.Name()};
}

std::optional<EditStep> EditStep::Between(const EditSnapshot &before, const EditSnapshot &after)
{
    EditStep step;
    for (std::size_t o = 0; o < PresetImageBytes;) {
        const std::size_t width = FieldWidth[o];
        if (!std::equal(before.image.begin() + o, before.image.begin() + o + width, after.image.begin() + o)) {
            for (std::size_t k = o; k < o + width; ++k)
                step.changes_.insert(step.changes_.end(), {static_cast<std::uint8_t>(k), before.image[k], after.image[k]});
        }
        o += width;
    }
    step.changes_.shrink_to_fit();
    step.linked_ = ChangedPair(before.linked, after.linked);
    step.source_ = ChangedPair(before.source, after.source);
    step.name_ = ChangedPair(before.name, after.name);
    if (step.changes_.empty() && !step.linked_ && !step.source_ && !step.name_)
        return std::nullopt;
    return step;
}

EditSnapshot EditStep::Replaced(const EditSnapshot &current, bool undo) const
{
    EditSnapshot result = current;
    const std::size_t from = undo ? 2 : 1;
    const std::size_t to = undo ? 1 : 2;
    for (std::size_t i = 0; i < changes_.size();) {
        const std::size_t width = FieldWidth[changes_[i]];
        bool unchanged = true;
        for (std::size_t k = 0; k < width; ++k) {
            const std::uint8_t *change = &changes_[i + ChangeBytes * k];
            unchanged = unchanged && current.image[change[0]] == change[from];
        }
        for (std::size_t k = 0; unchanged && k < width; ++k) {
            const std::uint8_t *change = &changes_[i + ChangeBytes * k];
            result.image[change[0]] = change[to];
        }
        i += ChangeBytes * width;
    }
    ReplaceIfUnchanged(result.linked, linked_, undo);
    ReplaceIfUnchanged(result.source, source_, undo);
    ReplaceIfUnchanged(result.name, name_, undo);
    return result;
}

std::size_t EditStep::Bytes() const
{
    std::size_t bytes = sizeof(EditStep) + changes_.capacity();
    for (const auto *pair : {&source_, &name_}) {
        if (*pair)
            bytes += ((*pair)->at(0).capacity() + (*pair)->at(1).capacity()) * sizeof(QChar);
    }
    return bytes;
}

} // namespace ksr
