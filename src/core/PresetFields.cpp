#include "core/PresetFields.h"

#include "core/AutoSettingFields.h"
#include "core/Protocol.h"
#include "core/Tables.h"

#include <algorithm>
#include <array>
#include <vector>

namespace ksr {

namespace {

// A field of the image: `bytes` bytes from `offset`, high byte first.
struct PresetField {
    int offset;
    int bytes;
    QString name;
    int lowest;
    int highest;
};

// The automatic-search settings as a message names them, in SettingControl order.
constexpr std::array<const char *, 6> SettingNames = {
    "automatic notch count", "automatic notch width index", "attenuation mode",
    "release mode",          "search mode",                 "sensitivity step"};
static_assert(SettingNames.size() == AutoSettingFields.size());

// Every interpreted field of both channels, in the order of their bytes.
std::vector<PresetField> InterpretedFields()
{
    std::vector<PresetField> fields;
    for (int c = 0; c < 2; ++c) {
        for (std::size_t k = 0; k < AutoSettingFields.size(); ++k) {
            const AutoSettingField &setting = AutoSettingFields[k];
            fields.push_back({static_cast<int>(ImageIndex(setting, c)), 1,
                              ChannelName(c) + QLatin1Char(' ') + QLatin1StringView(SettingNames[k]), setting.lowest,
                              setting.highest});
        }
        for (int n = 0; n < FiltersPerChannel; ++n) {
            const int at = NotchOffset[static_cast<std::size_t>(c * FiltersPerChannel + n)];
            const QString notch = QStringLiteral("%1 notch %2 ").arg(ChannelName(c)).arg(n + 1);
            fields.push_back({at, 1, notch + QStringLiteral("gain step"), 0, HighestGainStep});
            fields.push_back({at + 1, 2, notch + QStringLiteral("frequency index"), 0, FrequencyCount - 1});
            fields.push_back({at + 3, 1, notch + QStringLiteral("width index"), 0, HighestWidthIndex});
        }
    }
    std::sort(fields.begin(), fields.end(), [](const PresetField &a, const PresetField &b) { return a.offset < b.offset; });
    return fields;
}

} // namespace

QString FirstFieldOutOfRange(const PresetImageArray &image)
{
    for (const PresetField &field : InterpretedFields()) {
        int value = 0;
        for (int i = 0; i < field.bytes; ++i)
            value = value * 256 + image[static_cast<std::size_t>(field.offset + i)];
        if (value < field.lowest || value > field.highest)
            return QStringLiteral("%1 %2 is outside %3..%4").arg(field.name).arg(value).arg(field.lowest).arg(field.highest);
    }
    return {};
}

} // namespace ksr
