#include "editor/EditorCommands.h"

#include "editor/EditorToolTips.h"
#include "editor/FrmEq.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>

namespace ksr {

EditorCommands::EditorCommands(const PresetModel &model, FrmEq &editor, ChannelOperations &channels,
                               EditHistory &history, UserDialogs &dialogs)
    : model_(model), editor_(editor), channels_(channels), history_(history), dialogs_(dialogs)
{
    for (int i = 0; i < 4; ++i)
        QObject::connect(editor.Command1[static_cast<std::size_t>(i)], &QPushButton::clicked,
                         editor.Command1[static_cast<std::size_t>(i)], [this, i] { Command1_Click(i); });
    for (int c = 0; c < 2; ++c)
        QObject::connect(editor.KeepFound[static_cast<std::size_t>(c)], &QPushButton::clicked,
                         editor.KeepFound[static_cast<std::size_t>(c)], [this, c] { KeepFound_Click(c); });
}

void EditorCommands::Command1_Click(int i)
{
    if (i < 0 || i > 3)
        return;
    const bool automatic = i < 2;
    const QString question = automatic ? QStringLiteral("Reset all Notch filter automatic, Are you sure ?")
                                       : QStringLiteral("Reset all Notch filter manual, Are you sure ?");
    if (dialogs_.ShowMessage({question, QStringLiteral("Reset Filter"), MessageIcon::None, MessageButtons::YesNo,
                              MessageAnswer::Yes})
        != MessageAnswer::Yes)
        return;
    const EditStepScope step(history_);
    const int c = i % 2;
    const auto reset = [&](int channel) {
        if (automatic)
            channels_.ResetAutomaticNotches(channel);
        else
            channels_.ResetManualNotches(channel);
    };
    reset(c);
    if (model_.Linked())
        reset(1 - c);
}

void EditorCommands::KeepFound_Click(int c)
{
    if (c == 0 || c == 1)
        channels_.KeepFoundNotches(c);
}

void EditorCommands::LockCursor(int FlagLock)
{
    const bool enabled = FlagLock == 0;
    for (std::size_t c = 0; c < 2; ++c) {
        for (QWidget *w : std::initializer_list<QWidget *>{editor_.HScroll1[c], editor_.HScroll2[c],
                                                            editor_.HScroll3[c], editor_.HScroll4[c],
                                                            editor_.HScroll5[c], editor_.Slider1[c],
                                                            editor_.Text4[c], editor_.ManualFrame[c]})
            LockForSearch(w, !enabled);
    }
    for (QPushButton *button : editor_.Command1)
        LockForSearch(button, !enabled);
    for (QPushButton *button : editor_.KeepFound)
        LockForSearch(button, !enabled);
    LockForSearch(editor_.Check2, !enabled);
    for (QWidget *w : outside)
        LockForSearch(w, !enabled);
}

} // namespace ksr
