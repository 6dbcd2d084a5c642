#include "shell/WaitFilter.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWindow>

namespace ksr {

namespace {

// Posted to the filter itself when an operation ends with a press held.
const QEvent::Type LetGoEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

bool IsInput(const QEvent &event)
{
    switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    // The close box; the program's own close() calls are not spontaneous.
    case QEvent::Close:
        return event.spontaneous();
    default:
        return false;
    }
}

// The top-level widget `object` belongs to: a widget's window, the widget of
// a native window, or the nearest widget among its parents (a timer).
QWidget *OwningWindow(QObject *object)
{
    if (object != nullptr && object->isWindowType()) {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top->windowHandle() == object)
                return top;
        }
        return nullptr;
    }
    for (; object != nullptr; object = object->parent()) {
        if (object->isWidgetType())
            return static_cast<QWidget *>(object)->window();
    }
    return nullptr;
}

} // namespace

WaitFilter::WaitFilter()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
}

WaitFilter::~WaitFilter()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

void WaitFilter::SetBusy(bool busy)
{
    busy_ = busy;
    if (busy) {
        modalAtStart_ = QApplication::activeModalWidget();
        return;
    }
    // The release comes once the event being delivered returns: the press
    // may still be acting (a slider starts repeating only after its first
    // step's exchange), and must see its release after that.
    if (heldTarget_ != nullptr)
        QCoreApplication::postEvent(this, new QEvent(LetGoEvent));
}

void WaitFilter::customEvent(QEvent *event)
{
    // During a later wait the press stays held until that one ends.
    if (event->type() == LetGoEvent && !busy_)
        ReleaseHeldPress();
}

bool WaitFilter::InOpenedBox(QWidget *owner) const
{
    if (owner != nullptr && owner == openWindow_)
        return true;
    return owner != nullptr && owner == QApplication::activeModalWidget() && owner != modalAtStart_;
}

bool WaitFilter::Drops(QObject *watched, const QEvent &event) const
{
    if (!busy_)
        return false;
    if (IsInput(event))
        return !InOpenedBox(OwningWindow(watched));
    // A native window's own timer delivers its paint requests; every other
    // timer of a window is the program's or a control's.
    if (event.type() == QEvent::Timer && !watched->isWindowType()) {
        QWidget *owner = OwningWindow(watched);
        return owner != nullptr && !InOpenedBox(owner);
    }
    return false;
}

bool WaitFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (!Drops(watched, *event)) {
        // Remember the first receiver of a press (its native window, which
        // routes the release), to let it go should its release be dropped.
        // The first widget it reaches is the control pressed: the release
        // goes to it straight, since a window routes a release to the
        // control pressed only while nothing came between (a message box
        // that opened during the wait ends that).
        if (event->type() == QEvent::MouseButtonPress) {
            if (pressTarget_ == nullptr)
                pressTarget_ = watched;
            if (pressWidget_ == nullptr && watched->isWidgetType())
                pressWidget_ = watched;
        } else if (event->type() == QEvent::MouseButtonRelease) {
            pressTarget_ = nullptr;
            pressWidget_ = nullptr;
        }
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease && pressTarget_ != nullptr) {
        heldTarget_ = pressWidget_ != nullptr ? pressWidget_ : pressTarget_;
        pressTarget_ = nullptr;
        pressWidget_ = nullptr;
        heldButton_ = static_cast<QMouseEvent *>(event)->button();
    }
    return true;
}

void WaitFilter::ReleaseHeldPress()
{
    QPointer<QObject> target = heldTarget_;
    heldTarget_ = nullptr;
    if (target == nullptr)
        return;
    const QPointF away(-1.0e5, -1.0e5);
    QMouseEvent release(QEvent::MouseButtonRelease, away, away, away, heldButton_, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
}

} // namespace ksr
