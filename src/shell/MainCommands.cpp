#include "shell/MainCommands.h"

#include "shell/MdiFrmMain.h"

#include <QToolButton>

namespace ksr {

MainCommands::MainCommands(MdiFrmMain &window, ChannelOperations &channels, UserDialogs &dialogs)
    : window_(window), channels_(channels), dialogs_(dialogs)
{
    for (int index = 0; index < int(window.Command1.size()); ++index) {
        if (QToolButton *button = window.Command1[static_cast<std::size_t>(index)])
            QObject::connect(button, &QToolButton::clicked, button, [this, index] { Command1_Click(index); });
    }
}

void MainCommands::Command1_Click(int index)
{
    switch (index) {
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
