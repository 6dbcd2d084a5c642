#include "shell/MainCommands.h"

#include "presets/FrmRead.h"
#include "presets/FrmStore.h"
#include "shell/MdiFrmMain.h"
#include "editor/EditorToolTips.h"

#include "core/FileWriting.h"

#include <QDateTime>
#include <QFileInfo>
#include <QToolButton>

namespace ksr {

MainCommands::MainCommands(AppState &state, MdiFrmMain &window, ChannelOperations &channels,
                           DevicePresets &devicePresets, PresetFiles &files, EditHistory &history,
                           UserDialogs &dialogs)
    : state_(state), window_(window), channels_(channels), devicePresets_(devicePresets), files_(files),
      history_(history), dialogs_(dialogs)
{
    QObject::connect(window.UndoButton, &QToolButton::clicked, window.UndoButton, [this] { history_.Undo(); });
    QObject::connect(window.RedoButton, &QToolButton::clicked, window.RedoButton, [this] { history_.Redo(); });
    QObject::connect(window.HoldButton, &QToolButton::clicked, window.HoldButton, [this] {
        history_.HoldForCompare();
        // A click that held nothing new must not leave the button toggled.
        UpdateCommandButtons(state_.SearchActive);
    });
    QObject::connect(window.CompareButton, &QToolButton::clicked, window.CompareButton, [this] {
        history_.ToggleCompare();
        // A click with nothing held must not leave the button checked.
        UpdateCommandButtons(state_.SearchActive);
    });
    for (int index = 0; index < int(window.Command1.size()); ++index) {
        if (QToolButton *button = window.Command1[static_cast<std::size_t>(index)])
            QObject::connect(button, &QToolButton::clicked, button, [this, index] { Command1_Click(index); });
    }
}

void MainCommands::Command1_Click(int index)
{
    switch (index) {
    case 0: {
        const EditStepScope step(history_);
        files_.LoadPresetFromPc();
        break;
    }
    case 1:
        files_.SavePresetToPc();
        break;
    case 2: {
        if (RefusedOffline(QStringLiteral("Store Preset")))
            break;
        FrmStore store(state_, devicePresets_, dialogs_, &window_);
        store.exec();
        break;
    }
    case 3: {
        if (RefusedOffline(QStringLiteral("Read Preset")))
            break;
        const EditStepScope step(history_);
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

bool MainCommands::RefusedOffline(const QString &title)
{
    if (!state_.DeviceLost)
        return false;
    dialogs_.ShowMessage({QStringLiteral("The device is offline: this needs the device. The program looks for it "
                                         "and takes it up again as soon as it answers."),
                          title, MessageIcon::Exclamation});
    return true;
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
    const EditStepScope step(history_);
    if (leftToRight)
        channels_.CopyChannelLeftToRight();
    else
        channels_.CopyChannelRightToLeft();
    window_.unsetCursor();
}

void MainCommands::SaveLineTrace(const LineTrace &trace)
{
    const QString name = QStringLiteral("ksr704-trace-%1.txt")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    const QString path = dialogs_.GetSaveFileName({QStringLiteral("Save line trace"), state_.StartDirectory,
                                                   QStringLiteral("Text file (*.txt)"), QStringLiteral("txt"), name});
    if (path.isEmpty())
        return;
    QString error;
    if (!ReplaceFileContents(path, trace.Text(), &error))
        dialogs_.ShowMessage({QStringLiteral(" The line trace could not be saved to %1: %2")
                                  .arg(QFileInfo(path).fileName(), error),
                              QString::fromLatin1(ApplicationTitle), MessageIcon::Exclamation});
}

void MainCommands::UpdateCommandButtons(bool searchRunning)
{
    const std::array<std::pair<QToolButton *, bool>, 6> buttons = {{
        {window_.UndoButton, history_.CanUndo()},
        {window_.RedoButton, history_.CanRedo()},
        {window_.HoldButton, true},
        {window_.CompareButton, history_.HasHeld()},
        {window_.BackupButton, !state_.DemoMode && !state_.DeviceLost},
        {window_.RestoreButton, !state_.DemoMode && !state_.DeviceLost},
    }};
    for (const auto &[button, available] : buttons) {
        LockForSearch(button, searchRunning);
        if (!searchRunning)
            button->setEnabled(available);
    }
    window_.SetCompareState(history_.HeldAt(), history_.Comparing());
}

} // namespace ksr
