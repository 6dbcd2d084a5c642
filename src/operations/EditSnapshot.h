#pragma once
// What the user edits, as one value (both channels' preset image, the link
// between them and the captions naming the preset), and one step of the
// edit history: the fields that differ between two such values.

#include "operations/PresetModel.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace ksr {

struct EditSnapshot {
    PresetImageArray image{};
    bool linked = false;
    QString source; // where the preset came from (Label7)
    QString name;   // its name (Label8)

    bool operator==(const EditSnapshot &) const = default;
};

EditSnapshot TakeEditSnapshot(const PresetModel &model);

// One change: each field of the image it changed (a frequency's two bytes
// are one field, every other byte is one), and the link and captions where
// it changed them.
class EditStep {
public:
    // The step from `before` to `after`; none when they are equal.
    static std::optional<EditStep> Between(const EditSnapshot &before, const EditSnapshot &after);

    // `current` with the step taken back (Undone) or made again (Redone):
    // only a field that still holds what the step left there changes, so a
    // notch the device placed since stays as the device placed it.
    EditSnapshot Undone(const EditSnapshot &current) const { return Replaced(current, true); }
    EditSnapshot Redone(const EditSnapshot &current) const { return Replaced(current, false); }

    // The memory the step holds, its own size included.
    std::size_t Bytes() const;

private:
    EditSnapshot Replaced(const EditSnapshot &current, bool undo) const;

    // Per byte of a changed field, in order: offset, value before, value after.
    std::vector<std::uint8_t> changes_;
    std::optional<std::array<bool, 2>> linked_;
    std::optional<std::array<QString, 2>> source_;
    std::optional<std::array<QString, 2>> name_;
};

} // namespace ksr
