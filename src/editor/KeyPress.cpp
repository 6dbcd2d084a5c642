#include "editor/KeyPress.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace ksr {

int KeyPressCode(int qtKey, const QString &text)
{
    if (qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter)
        return KeyEnter;
    if (qtKey == Qt::Key_Backspace)
        return KeyBackspace;
    if (text.isEmpty() || !text.at(0).isPrint())
        return -1;
    return text.at(0).unicode();
}

KeyPressFilter::KeyPressFilter(QLineEdit *box, std::function<int(int)> handler)
    : QObject(box), box_(box), handler_(std::move(handler))
{
    box->installEventFilter(this);
}

bool KeyPressFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != box_ || event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    // A Ctrl combination (Ctrl+Z, Ctrl+A, ...) is a command, never typed
    // text, whatever character its event carries; AltGr (Ctrl+Alt on some
    // systems) still types.
    const Qt::KeyboardModifiers modifiers = key->modifiers();
    if (modifiers.testFlag(Qt::ControlModifier) && !modifiers.testFlag(Qt::AltModifier))
        return false;
    const int code = KeyPressCode(key->key(), key->text());
    if (code < 0)
        return false;
    const int replaced = handler_(code);
    if (replaced == code)
        return false;
    if (replaced == KeyQuestionMark)
        box_->insert(QStringLiteral("?"));
    return true;
}

} // namespace ksr
