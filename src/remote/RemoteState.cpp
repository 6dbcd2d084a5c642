#include "remote/RemoteState.h"

#include "core/AutoSettingFields.h"
#include "core/Tables.h"

#include <algorithm>
#include <cmath>

namespace ksr {

QJsonObject NotchJson(const PresetModel &model, int f)
{
    const int index = model.NotchFrequencyIndex(f);
    const double hz = FreqTable[static_cast<std::size_t>(index)];
    return {{QStringLiteral("row"), f % FiltersPerChannel + 1},
            {QStringLiteral("hz"), hz},
            {QStringLiteral("frequency"), FrequencyText(hz)},
            {QStringLiteral("frequencyIndex"), index},
            {QStringLiteral("gainDb"), model.NotchGainStep(f) - 45},
            {QStringLiteral("width"), TableText(WidthText, model.NotchWidth(f))},
            {QStringLiteral("widthIndex"), model.NotchWidth(f)},
            {QStringLiteral("automatic"), model.IsAutomaticRow(f)}};
}

QJsonObject ChannelJson(const PresetModel &model, int c, const std::vector<double> &curveDb)
{
    QJsonArray notches;
    for (int row = 0; row < FiltersPerChannel; ++row)
        notches.append(NotchJson(model, FiltersPerChannel * c + row));
    QJsonArray curve;
    // The deepest of each group of points: a narrow notch keeps its depth.
    for (std::size_t d = 0; d < curveDb.size(); d += RemoteCurveStep) {
        double db = curveDb[d];
        for (std::size_t k = d + 1; k < std::min(curveDb.size(), d + RemoteCurveStep); ++k)
            db = std::min(db, curveDb[k]);
        // A tenth of a dB is finer than the page can draw.
        curve.append(std::isfinite(db) ? std::round(db * 10.0) / 10.0 : 0.0);
    }
    const auto shown = [&](SettingControl control) { return SettingShownText(control, model.SettingPosition(control, c)); };
    return {{QStringLiteral("channel"), c},
            {QStringLiteral("name"), ChannelName(c)},
            {QStringLiteral("autoCount"), model.AutoCount(c)},
            {QStringLiteral("autoWidth"), shown(SettingControl::HScroll2)},
            {QStringLiteral("attenuation"), shown(SettingControl::HScroll3)},
            {QStringLiteral("release"), shown(SettingControl::HScroll4)},
            {QStringLiteral("searchMode"), shown(SettingControl::HScroll5)},
            {QStringLiteral("sensitivity"), model.SettingPosition(SettingControl::Slider1, c) + 1},
            {QStringLiteral("notches"), notches},
            {QStringLiteral("curve"), curve}};
}

void AddStatus(QJsonObject &message, const RemoteStatus &status)
{
    message.insert(QStringLiteral("connection"), status.connection);
    message.insert(QStringLiteral("search"), status.search);
    message.insert(QStringLiteral("history"),
                   QJsonObject{{QStringLiteral("undo"), status.canUndo}, {QStringLiteral("redo"), status.canRedo}});
}

QJsonObject PresetJson(const PresetModel &model)
{
    return {{QStringLiteral("source"), model.Source()}, {QStringLiteral("name"), model.Name()}};
}

QJsonObject JournalRowJson(const JournalRow &row)
{
    if (row.IsNote())
        return {{QStringLiteral("time"), QString()}, {QStringLiteral("note"), row.note}};
    const QStringList &f = row.fields;
    return {{QStringLiteral("time"), f.value(0)},
            {QStringLiteral("channel"), f.value(1)},
            {QStringLiteral("notch"), f.value(2).toInt()},
            {QStringLiteral("event"), f.value(3)},
            {QStringLiteral("frequency"), f.value(4)},
            {QStringLiteral("width"), f.value(5)},
            {QStringLiteral("gainDb"), f.value(6).toInt()}};
}

QString OriginName(ChangeOrigin origin)
{
    switch (origin) {
    case ChangeOrigin::Edit:
        return QStringLiteral("edit");
    case ChangeOrigin::Remote:
        return QStringLiteral("remote");
    case ChangeOrigin::ChannelOperation:
        return QStringLiteral("channel");
    case ChangeOrigin::FileLoad:
        return QStringLiteral("file");
    case ChangeOrigin::DevicePreset:
    case ChangeOrigin::DeviceReturn:
    case ChangeOrigin::DeviceDump:
    case ChangeOrigin::DeviceStore:
        return QStringLiteral("device");
    case ChangeOrigin::DeviceReport:
        return QStringLiteral("report");
    case ChangeOrigin::History:
        return QStringLiteral("history");
    }
    return QStringLiteral("program");
}

} // namespace ksr
