#include "operations/DeviceReturn.h"

#include "core/AutoSettingFields.h"
#include "core/Tables.h"

namespace ksr {

int DifferingSettings(const PresetImageArray &device, const PresetImageArray &window)
{
    int count = 0;
    for (int f = 0; f < FilterCount; ++f) {
        const auto o = static_cast<std::size_t>(NotchOffset[static_cast<std::size_t>(f)]);
        count += device[o] != window[o];
        count += device[o + 1] != window[o + 1] || device[o + 2] != window[o + 2];
        count += device[o + 3] != window[o + 3];
    }
    for (int c = 0; c < 2; ++c) {
        for (const AutoSettingField &field : AutoSettingFields) {
            const std::size_t byte = ImageIndex(field, c);
            count += device[byte] != window[byte];
        }
    }
    return count;
}

MessageRequest DeviceReturnQuestion(int count)
{
    MessageRequest question{
        count == 1 ? QStringLiteral("The device is back. 1 setting differs between the device and this window.")
                   : QStringLiteral("The device is back. %1 settings differ between the device and this window.")
                         .arg(count),
        QString::fromLatin1(ApplicationTitle), MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::Yes};
    question.details = QStringLiteral("Keep the device's settings: the window takes what the audience hears now "
                                      "(Undo takes it back).\nSend the window's settings: the device takes the "
                                      "window's, only what differs is sent.");
    question.yesText = QStringLiteral("Keep the device's settings");
    question.noText = QStringLiteral("Send the window's settings");
    // A box closed without an answer sends nothing.
    question.escapeAnswer = MessageAnswer::Yes;
    return question;
}

void KeepDeviceSettings(PresetModel &model, const PresetImageArray &device)
{
    model.SetValues(device, model.Linked(), model.Source(), model.Name(), ChangeOrigin::DeviceReturn);
}

} // namespace ksr
