#pragma once
// The notch filters the device reports during a feedback search, taken into
// the model without sending anything back, and the take-in of waiting
// reports with their acknowledgement.

#include "core/Protocol.h"
#include "core/State.h"
#include "link/SerialLink.h"
#include "operations/PresetModel.h"

#include <functional>
#include <optional>

namespace ksr {

// Handles the notification in `bytes` (the link's RxBuffer 0..6). Unknown
// types, and reports whose filter, frequency, width or gain lie outside their
// ranges, change nothing. Returns the report taken in, if any.
std::optional<DeviceReport> HandleNotification(std::span<const std::uint8_t, ReportUsedBytes> bytes, PresetModel &model);

// Takes the device's reports off the link, handles each and acknowledges
// it, whatever it held; needs no window.
class ReportTakeIn {
public:
    ReportTakeIn(AppState &state, SerialLink &link, PresetModel &model);

    // Told each report taken in, before it is acknowledged.
    void SetReportTaken(std::function<void(const DeviceReport &)> taken) { reportTaken_ = std::move(taken); }

    // While a search runs: takes in one waiting report and acknowledges it.
    void PollNotifications();
    // Takes in and acknowledges one waiting report; false when none waits.
    bool TakeInReport();
    // Takes in and acknowledges every waiting report.
    void TakeInAllReports();

private:
    AppState &state_;
    SerialLink &link_;
    PresetModel &model_;
    std::function<void(const DeviceReport &)> reportTaken_;
};

} // namespace ksr
