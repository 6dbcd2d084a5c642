#pragma once
// The main window's command buttons. Loading or reading a preset and a
// channel copy are each one step of the edit history; the history's own
// buttons undo, redo, hold and compare.

#include "core/UserDialogs.h"
#include "link/LineTrace.h"
#include "operations/ChannelOperations.h"
#include "operations/DevicePresets.h"
#include "operations/EditHistory.h"
#include "operations/PresetFiles.h"

namespace ksr {

class MdiFrmMain;

class MainCommands {
public:
    MainCommands(AppState &state, MdiFrmMain &window, ChannelOperations &channels, DevicePresets &devicePresets,
                 PresetFiles &files, EditHistory &history, UserDialogs &dialogs);

    // Button `index`: 0 loads a preset file, 1 saves one, 2 opens the store
    // window, 3 the read window (both modal); 7 copies Left to Right, 8
    // Right to Left, each after a question.
    void Command1_Click(int index);
    // Enables the history's buttons for what can be done now, and the
    // librarian's with a device (none while a search runs); shows whether
    // the held settings are live.
    void UpdateCommandButtons(bool searchRunning);
    // "Save line trace...": the frames and answers the trace keeps in memory
    // into a file the user names, replaced only once it is whole.
    void SaveLineTrace(const LineTrace &trace);

private:
    // While the device is lost: a window that needs it is not opened, and
    // the user is told why (`title` is the window's). False when online.
    bool RefusedOffline(const QString &title);
    void CopyChannel(bool leftToRight);

    AppState &state_;
    MdiFrmMain &window_;
    ChannelOperations &channels_;
    DevicePresets &devicePresets_;
    PresetFiles &files_;
    EditHistory &history_;
    UserDialogs &dialogs_;
};

} // namespace ksr
