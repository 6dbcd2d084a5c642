#include "shell/StageView.h"

#include "editor/FrmEq.h"
#include "shell/MdiFrmMain.h"

#include <QAction>
#include <QLayout>
#include <QMenu>
#include <QToolButton>

namespace ksr {

StageView::StageView(MdiFrmMain &window, FrmEq &editor, const ViewSettings &settings)
    : QObject(&window), window_(window), zoom_(editor), bar_(*window.Toolbar1), settings_(settings)
{
    Menu = new QMenu(window.ViewButton);
    Menu->setObjectName(QStringLiteral("ViewMenu"));
    ScaleAction = Menu->addAction(QString());
    ScaleAction->setEnabled(false);
    Menu->addSeparator();
    FitAction = Menu->addAction(QStringLiteral("&Fit to window"));
    FitAction->setCheckable(true);
    Menu->addSeparator();
    ZoomInAction = Menu->addAction(QStringLiteral("Zoom &in"));
    ZoomInAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    ZoomOutAction = Menu->addAction(QStringLiteral("Zoom &out"));
    ZoomOutAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    ActualSizeAction = Menu->addAction(QStringLiteral("&Actual size"));
    ActualSizeAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    Menu->addSeparator();
    DarkAction = Menu->addAction(QStringLiteral("&Dark"));
    DarkAction->setCheckable(true);
    Menu->addSeparator();
    SaveTraceAction = Menu->addAction(QStringLiteral("Save line &trace..."));
    window.ViewButton->setMenu(Menu);
    // The keys work wherever the focus is in the main window or the editor.
    for (QAction *action : {ZoomInAction, ZoomOutAction, ActualSizeAction}) {
        action->setShortcutContext(Qt::WindowShortcut);
        window.addAction(action);
    }
    connect(FitAction, &QAction::toggled, this, [this](bool on) { SetFit(on); });
    connect(ZoomInAction, &QAction::triggered, this, [this] { ZoomIn(); });
    connect(ZoomOutAction, &QAction::triggered, this, [this] { ZoomOut(); });
    connect(ActualSizeAction, &QAction::triggered, this, [this] { ActualSize(); });
    // Refitted once the resize is over: the bar's new height lays the window
    // out again, which must not happen inside the layout that resized the area.
    window.areaResized = [this] {
        if (fit_ && !refitPosted_) {
            refitPosted_ = true;
            QMetaObject::invokeMethod(this, [this] { Refit(); }, Qt::QueuedConnection);
        }
    };
    ScaleTo(1.0);
}

void StageView::RestoreSaved()
{
    if (settings_.Fit())
        SetFit(true);
    else
        ZoomTo(settings_.Scale());
}

void StageView::SetFit(bool fit)
{
    Apply(fit, zoom_.Scale());
}

void StageView::ZoomIn()
{
    ZoomTo(EditorZoom::StepUp(zoom_.Scale()));
}

void StageView::ZoomOut()
{
    ZoomTo(EditorZoom::StepDown(zoom_.Scale()));
}

void StageView::ActualSize()
{
    ZoomTo(1.0);
}

void StageView::ZoomTo(double scale)
{
    Apply(false, scale);
}

void StageView::Apply(bool fit, double scale)
{
    fit_ = fit;
    {
        const QSignalBlocker quiet(FitAction);
        FitAction->setChecked(fit);
    }
    ScaleTo(fit ? FittingScale() : scale);
    window_.FitEditorWindow();
    Save();
}

void StageView::ScaleTo(double scale)
{
    zoom_.SetScale(scale);
    bar_.SetScale(zoom_.Scale());
    // The area takes the bar's new height now, before the editor's window is sized to it.
    if (QLayout *layout = window_.layout())
        layout->activate();
    ScaleAction->setText(QStringLiteral("Scale: %1%").arg(qRound(zoom_.Scale() * 100)));
}

double StageView::FittingScale() const
{
    // The bar and the area share the height below the window's top.
    const QSize room = window_.EditorRoom();
    return zoom_.FitScale(QSize(room.width(), room.height() + window_.Toolbar1->height()), bar_.DesignHeight());
}

void StageView::Refit()
{
    refitPosted_ = false;
    if (!fit_)
        return;
    ScaleTo(FittingScale());
    window_.FitEditorWindow();
}

void StageView::Save()
{
    settings_.SaveZoom(zoom_.Scale(), fit_);
}

} // namespace ksr
