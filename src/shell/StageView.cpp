#include "shell/StageView.h"

#include "editor/FrmEq.h"
#include "shell/MdiFrmMain.h"

#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QToolButton>

namespace ksr {

namespace {

const QString ScaleKey = QStringLiteral("view/scale");
const QString FitKey = QStringLiteral("view/fit");

} // namespace

StageView::StageView(MdiFrmMain &window, FrmEq &editor, std::function<QString()> settingsFile)
    : QObject(&window), window_(window), zoom_(editor), settingsFile_(std::move(settingsFile))
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
    const QSettings settings(settingsFile_(), QSettings::IniFormat);
    const double scale = settings.value(ScaleKey, 1.0).toDouble();
    if (settings.value(FitKey, false).toBool())
        SetFit(true);
    else
        ZoomTo(scale);
}

void StageView::SetFit(bool fit)
{
    fit_ = fit;
    {
        const QSignalBlocker quiet(FitAction);
        FitAction->setChecked(fit);
    }
    Refit();
    window_.FitEditorWindow();
    Save();
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
    fit_ = false;
    {
        const QSignalBlocker quiet(FitAction);
        FitAction->setChecked(false);
    }
    zoom_.SetScale(scale);
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
    QSettings settings(settingsFile_(), QSettings::IniFormat);
    settings.setValue(FitKey, fit_);
    settings.setValue(ScaleKey, zoom_.Scale());
}

} // namespace ksr
