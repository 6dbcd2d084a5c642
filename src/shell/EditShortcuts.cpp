#include "shell/EditShortcuts.h"

#include "shell/MdiFrmMain.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QToolButton>

#include <array>

namespace ksr {

namespace {

const std::array<QKeySequence, 3> EditKeys = {
    QKeySequence(Qt::CTRL | Qt::Key_Z),
    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
    QKeySequence(Qt::CTRL | Qt::Key_Y),
};

bool IsEditKey(const QKeyEvent &event)
{
    const QKeySequence pressed(event.keyCombination());
    return std::find(EditKeys.begin(), EditKeys.end(), pressed) != EditKeys.end();
}

} // namespace

EditShortcuts::EditShortcuts(MdiFrmMain &window) : QObject(&window)
{
    const std::array<QToolButton *, 3> buttons = {window.UndoButton, window.RedoButton, window.RedoButton};
    for (std::size_t i = 0; i < EditKeys.size(); ++i) {
        auto *shortcut = new QShortcut(EditKeys[i], &window);
        QToolButton *button = buttons[i];
        QObject::connect(shortcut, &QShortcut::activated, button, [button] {
            if (button->isEnabled())
                button->click();
        });
    }
    for (QLineEdit *box : window.findChildren<QLineEdit *>())
        box->installEventFilter(this);
}

bool EditShortcuts::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ShortcutOverride || !IsEditKey(*static_cast<QKeyEvent *>(event)))
        return false;
    // Typing pending: the key goes to the box, whose own undo and redo act on
    // the typing (a key it does not know does nothing). Otherwise the key
    // stays unclaimed and reaches the window's shortcut.
    const auto *box = qobject_cast<QLineEdit *>(watched);
    if (box != nullptr && box->isModified() && !box->isReadOnly())
        event->accept();
    return true;
}

} // namespace ksr
