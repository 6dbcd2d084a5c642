#pragma once
// The main window's command buttons.

#include "link/UserDialogs.h"
#include "model/ChannelOperations.h"

namespace ksr {

class MdiFrmMain;

class MainCommands {
public:
    MainCommands(MdiFrmMain &window, ChannelOperations &channels, UserDialogs &dialogs);

    // Button `index`: 7 copies Left to Right, 8 Right to Left, each after a question.
    void Command1_Click(int index);

private:
    void CopyChannel(bool leftToRight);

    MdiFrmMain &window_;
    ChannelOperations &channels_;
    UserDialogs &dialogs_;
};

} // namespace ksr
