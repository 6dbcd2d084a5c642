#include "shell/MainCommands.h"

#include "presets/FrmRead.h"
#include "presets/FrmStore.h"
#include "shell/MdiFrmMain.h"

#include <QToolButton>

namespace ksr {

MainCommands::MainCommands(AppState &state, MdiFrmMain &window, ChannelOperations &channels,
                           DevicePresets &devicePresets, PresetFiles &files, UserDialogs &dialogs)
    : state_(state), window_(window), channels_(channels), devicePresets_(devicePresets), files_(files),
      dialogs_(dialogs)
{
    for (int index = 0; index < int(window.Command1.size()); ++index) {
        if (QToolButton *button = window.Command1[static_cast<std::size_t>(index)])
            QObject::connect(button, &QToolButton::clicked, button, [this, index] { Command1_Click(index); });
    }
}

void MainCommands::Command1_Click(int index)
{
    switch (index) {
    case 0:
        files_.LoadPresetFromPc();
        break;
    case 1:
        files_.SavePresetToPc();
        break;
    case 2: {
        FrmStore store(state_, devicePresets_, dialogs_, &window_);
        store.exec();
        break;
    }
    case 3: {
        FrmRead read(state_, devicePresets_, dialogs_, &window_);
        read.exec();
        break;
    }
    case 7:
        CopyChannel(true);
        break;
    case 8:
        CopyChannel(false);
        break;
    default:
        break;
    }
}

void MainCommands::CopyChannel(bool leftToRight)
{
    const MessageRequest question =
        leftToRight ? MessageRequest{QStringLiteral("Copy Channel Left to Right, Are you sure ?"),
                                     QStringLiteral("Copy Left to Right"), MessageIcon::None, MessageButtons::YesNo,
                                     MessageAnswer::Yes}
                    : MessageRequest{QStringLiteral("Copy Channel Right to Left, Are you sure ?"),
                                     QStringLiteral("Copy Right to Left"), MessageIcon::None, MessageButtons::YesNo,
                                     MessageAnswer::Yes};
    if (dialogs_.ShowMessage(question) != MessageAnswer::Yes)
        return;
    window_.setCursor(Qt::BusyCursor);
    if (leftToRight)
        channels_.CopyChannelLeftToRight();
    else
        channels_.CopyChannelRightToLeft();
    window_.unsetCursor();
}

} // namespace ksr
