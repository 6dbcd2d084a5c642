#include "editor/HeldControls.h"

#include "editor/FrmEq.h"

#include <QAbstractSlider>
#include <QCoreApplication>
#include <QKeyEvent>

namespace ksr {

HeldControls::HeldControls(FrmEq &editor, EditHistory &history) : editor_(editor), history_(history)
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
}

HeldControls::~HeldControls()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool HeldControls::IsEditorControl(QObject *object) const
{
    auto *control = qobject_cast<QAbstractSlider *>(object);
    return control != nullptr && editor_.isAncestorOf(control);
}

bool HeldControls::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (IsEditorControl(watched))
            history_.HoldControl();
        break;
    case QEvent::KeyPress:
        if (!static_cast<QKeyEvent *>(event)->isAutoRepeat() && IsEditorControl(watched))
            history_.HoldControl();
        break;
    case QEvent::MouseButtonRelease:
        history_.LetGoControl();
        break;
    case QEvent::KeyRelease:
        if (!static_cast<QKeyEvent *>(event)->isAutoRepeat())
            history_.LetGoControl();
        break;
    case QEvent::FocusOut:
        if (IsEditorControl(watched))
            history_.LetGoControl();
        break;
    default:
        break;
    }
    return false;
}

} // namespace ksr
