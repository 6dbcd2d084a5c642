#include "core/PresetFile.h"

#include <algorithm>

namespace ksr {

PresetFileRead ParsePresetFile(const QByteArray &bytes)
{
    if (bytes.size() < PresetImageBytes)
        return {std::nullopt, QStringLiteral(" Not a preset file: it holds %1 bytes, a preset file holds %2.")
                                  .arg(bytes.size())
                                  .arg(PresetImageBytes)};
    PresetImageArray image{};
    std::copy_n(bytes.begin(), PresetImageBytes, image.begin());
    return {image, QString()};
}

QByteArray PresetFileBytes(const PresetImageArray &image)
{
    return QByteArray(reinterpret_cast<const char *>(image.data()), PresetImageBytes);
}

} // namespace ksr
