#pragma once
// The main window: a multiple-document area holding the editor, with the
// command buttons in a bar along its top edge. The commands, the timer
// handling and the exit question connect to the public members from outside.

#include <QMainWindow>

#include <array>
#include <functional>

class QDateTime;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QTimer;
class QToolButton;

namespace ksr {

class FrmEq;

class MdiFrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit MdiFrmMain(QWidget *parent = nullptr);

    // Puts `editor` into a sub-window that cannot be closed, in a scroll
    // area, sized to the editor's client area or the area's room, and
    // returns the editor.
    FrmEq *AddEditor(FrmEq *editor);
    // Sizes the editor's window to the whole editor, or to the room the
    // area has when that is less.
    void FitEditorWindow();
    // The room the editor has when its window fills the area.
    QSize EditorRoom() const;
    // Runs when the area changed size, before the editor's window is fitted.
    std::function<void()> areaResized;

    QMdiArea *MdiArea = nullptr;
    QMdiSubWindow *EditorWindow = nullptr; // set by AddEditor
    QWidget *Toolbar1 = nullptr;
    // Command buttons: 0-3 and 7-8 exist, 4-6 are null.
    std::array<QToolButton *, 9> Command1{};
    // The edit history's buttons, to the right of Command1(8); Hold is
    // checked while settings are held, Compare while they are live, and its
    // text says which side is ("A/B: held", "A/B: current").
    QToolButton *UndoButton = nullptr;
    QToolButton *RedoButton = nullptr;
    QToolButton *HoldButton = nullptr;
    QToolButton *CompareButton = nullptr;
    // Opens the ring-out journal's window.
    QToolButton *JournalButton = nullptr;
    // Back up and restore the device's presets; disabled in demo mode and
    // while a search runs.
    QToolButton *BackupButton = nullptr;
    QToolButton *RestoreButton = nullptr;
    // Opens the View menu (zoom, fit to window, dark colours, the line trace).
    QToolButton *ViewButton = nullptr;
    // Opens the stage remote's window.
    QToolButton *RemoteButton = nullptr;
    // The status bar: the port in use (or "Demo mode"), and whether the
    // device's feedback search runs.
    QLabel *PortStatus = nullptr;
    QLabel *SearchStatus = nullptr;
    QLabel *CompareStatus = nullptr;
    QLabel *HeldStatus = nullptr; // "Held 15:30:12" while settings are held
    // While the device is lost: what was lost when, and the search of the
    // other ports.
    QLabel *LostStatus = nullptr;
    QToolButton *LookElsewhereButton = nullptr;
    // Shows `text` in LostStatus with the button, or hides both (empty).
    void SetDeviceLost(const QString &text);
    void SetSearchRunning(bool running);
    // The held settings taken at `heldAt` (null: none), and whether they are live.
    void SetCompareState(const QDateTime &heldAt, bool comparing);
    // A passing note in the status bar (why a request was refused).
    void ShowNotice(const QString &text);
    QTimer *Timer3 = nullptr; // channel comparison, not started here
    QTimer *Timer1 = nullptr; // present but never used

    // Asked on every close request of the window: the close goes ahead only
    // when it returns true. Unset, every close goes ahead.
    std::function<bool()> closeRequested;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace ksr
