#pragma once
// Keeps the windows alive and inert while the link works with the device.
//
// The port waits in a local event loop, so the windows repaint, move their
// progress bar and answer the window manager during every wait. This filter,
// installed on the application, decides what that loop may deliver: paint and
// window-system events pass; mouse and key input, the close box and the
// timers of every window (the program's timers, a scroll bar's auto-repeat)
// are dropped, so nothing acts and no second exchange can start. Dropped
// input is not replayed afterwards. A message box opened during the wait
// ("Time out") takes input and timers, and so does the one window named
// with SetOpenWindow (the backup's progress, whose Cancel sets a flag).
//
// A local loop was chosen over a worker thread for the port: the program's
// state and its one receive buffer stay on one thread, as the rest of the
// program assumes, and the waits need no locking.

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace ksr {

class WaitFilter final : public QObject {
public:
    // Installs itself on the application.
    WaitFilter();
    ~WaitFilter() override;
    WaitFilter(const WaitFilter &) = delete;
    WaitFilter &operator=(const WaitFilter &) = delete;

    // True from the start of a device operation to its end.
    void SetBusy(bool busy);
    bool Busy() const { return busy_; }
    // `window` (null: none) takes input and timers during waits: a progress
    // dialog whose Cancel only asks the work to stop.
    void SetOpenWindow(QWidget *window) { openWindow_ = window; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void customEvent(QEvent *event) override;

private:
    // Whether `owner` is the message box opened during this operation, or
    // the window that takes input during waits.
    bool InOpenedBox(QWidget *owner) const;
    bool Drops(QObject *watched, const QEvent &event) const;
    // A press that ended while input was dropped: its control gets a release
    // far outside it once the operation and the press's own handling are
    // over, so that it lets go (an arrow or a slider stops repeating, a
    // button stays unclicked) without acting.
    void ReleaseHeldPress();

    bool busy_ = false;
    QPointer<QWidget> modalAtStart_;
    QPointer<QWidget> openWindow_;
    QPointer<QObject> pressTarget_;
    QPointer<QObject> pressWidget_;
    QPointer<QObject> heldTarget_;
    Qt::MouseButton heldButton_ = Qt::NoButton;
};

} // namespace ksr
