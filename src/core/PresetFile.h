#pragma once
// The preset file on the PC (*.Fbk): the 161 bytes of PresetImage, byte for
// byte, byte 160 included; no header, no name. Bytes after the first 161
// are never read.

#include "core/State.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace ksr {

// What a preset file's bytes hold: the image, or why the file is refused.
struct PresetFileRead {
    std::optional<PresetImageArray> image; // empty when the file is refused
    QString error;                         // the text the user is shown then
};

// The image in a file's bytes (all of them, or at least the first 161): its
// first 161 bytes. Fewer than 161 bytes are refused.
PresetFileRead ParsePresetFile(const QByteArray &bytes);
// The bytes of a preset file that holds `image`.
QByteArray PresetFileBytes(const PresetImageArray &image);

} // namespace ksr
