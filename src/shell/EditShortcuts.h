#pragma once
// The edit history's keys: Ctrl+Z undo, Ctrl+Shift+Z and Ctrl+Y redo,
// wherever the focus is in the main window and the editor. A text box being
// typed in keeps them for its typing, as Qt's line edit does; an untouched
// box lets them through to the window.

#include <QObject>

namespace ksr {

class MdiFrmMain;

class EditShortcuts final : public QObject {
public:
    // Each key clicks its button, so that a disabled button's key does nothing.
    explicit EditShortcuts(MdiFrmMain &window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace ksr
