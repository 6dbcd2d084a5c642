#include "operations/Notifications.h"

namespace ksr {

std::optional<DeviceReport> HandleNotification(std::span<const std::uint8_t, ReportUsedBytes> bytes, PresetModel &model)
{
    const std::optional<DeviceReport> report = DecodeReport(bytes);
    if (!report)
        return std::nullopt;
    // The device changed the filter itself: the model follows, nothing is sent.
    if (report->kind == DeviceReport::Kind::Notch)
        model.SetNotch(report->filter, report->gainStep, report->frequencyIndex, report->widthIndex,
                       ChangeOrigin::DeviceReport);
    else
        model.SetNotchGain(report->filter, report->gainStep, ChangeOrigin::DeviceReport);
    return report;
}

ReportTakeIn::ReportTakeIn(AppState &state, SerialLink &link, PresetModel &model)
    : state_(state), link_(link), model_(model)
{
}

void ReportTakeIn::PollNotifications()
{
    if (state_.SearchActive)
        TakeInReport();
}

bool ReportTakeIn::TakeInReport()
{
    if (!link_.TakeNotification())
        return false;
    const std::optional<DeviceReport> report =
        HandleNotification(std::span(link_.RxBuffer()).first<ReportUsedBytes>(), model_);
    if (report && reportTaken_)
        reportTaken_(*report);
    link_.SendWithoutReply(NotificationAckFrame());
    return true;
}

void ReportTakeIn::TakeInAllReports()
{
    while (TakeInReport()) {
    }
}

} // namespace ksr
