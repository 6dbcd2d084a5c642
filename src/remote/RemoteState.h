#pragma once
// The stage remote's view of the program as JSON: each channel with its
// notches, settings and curve, the program's status, the journal's rows.

#include "operations/PresetModel.h"
#include "operations/RingOutJournal.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <vector>

namespace ksr {

// What the model does not hold: the device, the search, the history.
struct RemoteStatus {
    QString connection = QStringLiteral("connected"); // connected, demo, lost
    QString search = QStringLiteral("off");           // off, both, left, right
    bool canUndo = false;
    bool canRedo = false;

    bool operator==(const RemoteStatus &) const = default;
};

// The curve's 730 grid points in groups of five, each group its deepest.
inline constexpr int RemoteCurveStep = 5;

// Notch f as the page shows it.
QJsonObject NotchJson(const PresetModel &model, int f);
// Channel c with its twelve notches, its settings and `curveDb`, the
// channel's response at the 730 grid points (the deepest of every five).
QJsonObject ChannelJson(const PresetModel &model, int c, const std::vector<double> &curveDb);
// The fields of `status` as they go into a state or change message.
void AddStatus(QJsonObject &message, const RemoteStatus &status);
QJsonObject PresetJson(const PresetModel &model);
QJsonObject JournalRowJson(const JournalRow &row);
// The name of an origin in change messages.
QString OriginName(ChangeOrigin origin);

} // namespace ksr
