#include "shell/StageView.h"

#include "editor/FrmEq.h"
#include "shell/MdiFrmMain.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

namespace ksr {

StageView::StageView(MdiFrmMain &window, FrmEq &editor, const ViewSettings &settings)
    : QObject(&window), window_(window), zoom_(editor), settings_(settings)
{
    Menu = new QMenu(window.ViewButton);
    Menu->setObjectName(QStringLiteral("ViewMenu"));
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
    window.areaResized = [this] { Refit(); };
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
    zoom_.SetScale(fit ? zoom_.FitScale(window_.EditorRoom()) : scale);
    window_.FitEditorWindow();
    Save();
}

void StageView::Refit()
{
    if (fit_)
        zoom_.SetScale(zoom_.FitScale(window_.EditorRoom()));
}

void StageView::Save()
{
    settings_.SaveZoom(zoom_.Scale(), fit_);
}

} // namespace ksr
