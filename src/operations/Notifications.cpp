#include "operations/Notifications.h"

#include "core/CurveRedraw.h"
#include "core/Protocol.h"

namespace ksr {

std::optional<DeviceReport> HandleNotification(AppState &state, std::span<const std::uint8_t, ReportUsedBytes> bytes,
                                               EditorControls &controls, ParameterSender &sender, CurveRedraw &graph)
{
    const std::optional<DeviceReport> report = DecodeReport(bytes);
    if (!report)
        return std::nullopt;

    const int f = report->filter;
    const auto o = static_cast<std::size_t>(NotchOffset[static_cast<std::size_t>(f)]);
    auto &image = state.PresetImage;
    image[o] = static_cast<std::uint8_t>(report->gainStep);
    {
        const ControlsUpdate updating(state);
        controls.SetHScroll20Value(f, image[o]);
        if (report->kind == DeviceReport::Kind::Notch) {
            const auto frequency = HighLowBytes(report->frequencyIndex);
            image[o + 1] = frequency[0];
            image[o + 2] = frequency[1];
            image[o + 3] = static_cast<std::uint8_t>(report->widthIndex);
            controls.SetText2Text(f, FrequencyText(FreqTable[static_cast<std::size_t>(report->frequencyIndex)]));
            // The scroll bar follows too, so that a later step starts from here.
            controls.SetHScroll6Value(f, report->frequencyIndex);
            controls.SetHScroll30Value(f, image[o + 3]);
        }
    }

    {
        // The device changed the filter itself: the model follows, nothing is sent.
        const SendingSuppressed quiet(state);
        sender.SendNotchFilter(f);
    }
    graph.RedrawChannel(f);
    return report;
}

ReportTakeIn::ReportTakeIn(AppState &state, SerialLink &link, EditorControls &controls, ParameterSender &sender,
                           CurveRedraw &graph)
    : state_(state), link_(link), controls_(controls), sender_(sender), graph_(graph)
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
    const std::optional<DeviceReport> report = HandleNotification(
        state_, std::span(link_.RxBuffer()).first<ReportUsedBytes>(), controls_, sender_, graph_);
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
