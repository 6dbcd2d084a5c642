#pragma once
// The View menu of the main window: the editor fitted to the window, zoomed
// in and out in steps (Ctrl+plus, Ctrl+minus) or back to its design size
// (Ctrl+0), with the button bar scaled alike and the scale shown at the
// menu's top, and the dark look; the choices are kept between sessions. Its
// last entry saves the line's trace (the program connects it).

#include "editor/EditorZoom.h"
#include "shell/BarZoom.h"
#include "shell/ViewSettings.h"

#include <QObject>

#include <functional>

class QAction;
class QMenu;

namespace ksr {

class FrmEq;
class MdiFrmMain;

class StageView final : public QObject {
    Q_OBJECT
public:
    // `settings` keeps the choice; it must outlive this.
    StageView(MdiFrmMain &window, FrmEq &editor, const ViewSettings &settings);

    // Applies the choice kept from the last session.
    void RestoreSaved();
    // Scales the editor to fill the main window's area, and keeps it so as
    // the window changes size, until a zoom step.
    void SetFit(bool fit);
    bool Fit() const { return fit_; }
    void ZoomIn();
    void ZoomOut();
    void ActualSize();
    EditorZoom &Zoom() { return zoom_; }

    QMenu *Menu = nullptr;
    QAction *ScaleAction = nullptr; // "Scale: 125%", the editor's and the bar's; not a command
    QAction *FitAction = nullptr;
    QAction *ZoomInAction = nullptr;
    QAction *ZoomOutAction = nullptr;
    QAction *ActualSizeAction = nullptr;
    QAction *DarkAction = nullptr; // checked while the dark look is on
    QAction *SaveTraceAction = nullptr; // "Save line trace..."

private:
    // Scales the editor to `scale` (fitting ends) and sizes its window.
    void ZoomTo(double scale);
    // Fits the editor to the area, or scales it to `scale`; shows the
    // choice in the menu, sizes the editor's window and keeps the choice.
    void Apply(bool fit, double scale);
    // Scales the editor and the bar to `scale` and shows it in the menu.
    void ScaleTo(double scale);
    // The scale at which the editor and the bar above it fill the room both have.
    double FittingScale() const;
    // Scales the editor and the bar to fill the window, when fitting.
    void Refit();
    void Save();

    MdiFrmMain &window_;
    EditorZoom zoom_;
    BarZoom bar_;
    const ViewSettings &settings_;
    bool fit_ = false;
    bool refitPosted_ = false;
};

} // namespace ksr
