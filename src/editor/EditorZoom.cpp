#include "editor/EditorZoom.h"

#include "editor/EditorLayout.h"
#include "editor/EditorParts.h"
#include "editor/FrmEq.h"
#include "graph/GraphPicture.h"

#include <QGroupBox>

#include <algorithm>
#include <array>
#include <cmath>

namespace ksr {

namespace {

// The steps of Zoom in and Zoom out, as a browser's.
constexpr std::array<double, 12> Steps = {0.5, 0.67, 0.75, 0.9, 1.0, 1.1, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0};

using layout::ScaledFont;
using layout::ScaledRect;

// Whether `widget` only holds other controls, which are placed one by one.
bool HoldsControls(const QWidget *widget)
{
    return qobject_cast<const QGroupBox *>(widget) != nullptr || widget->metaObject() == &QWidget::staticMetaObject;
}

} // namespace

EditorZoom::EditorZoom(FrmEq &editor)
    : editor_(editor), design_(editor.size()), editorFont_(editor.font())
{
    Record(&editor);
}

void EditorZoom::Record(QWidget *parent)
{
    for (QObject *child : parent->children()) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (widget == nullptr || widget->isWindow())
            continue;
        const bool ownFont = widget->testAttribute(Qt::WA_SetFont);
        placed_.push_back({widget, widget->geometry(), ownFont, widget->font()});
        if (auto *picture = qobject_cast<GraphPicture *>(widget))
            pictures_.push_back(picture);
        if (HoldsControls(widget))
            Record(widget);
    }
}

void EditorZoom::SetScale(double scale)
{
    scale = std::clamp(scale, Smallest, Largest);
    if (scale == scale_)
        return;
    scale_ = scale;
    editor_.setUpdatesEnabled(false);
    editor_.setFont(ScaledFont(editorFont_, scale));
    for (const Placed &p : placed_) {
        if (p.widget == nullptr)
            continue;
        if (p.ownFont)
            p.widget->setFont(ScaledFont(p.font, scale));
        p.widget->setGeometry(ScaledRect(p.geometry, scale));
    }
    ScaleFrequencyScales(editor_, scale);
    for (GraphPicture *picture : pictures_)
        picture->SetScale(scale);
    editor_.resize(ScaledRect(QRect(QPoint(0, 0), design_), scale).size());
    editor_.setUpdatesEnabled(true);
}

double EditorZoom::FitScale(QSize room, int above) const
{
    const double across = static_cast<double>(room.width()) / design_.width();
    const double down = static_cast<double>(room.height()) / (design_.height() + above);
    // A hair under the exact fit, so that rounding never asks for a scroll bar.
    return std::clamp(std::floor(std::min(across, down) * 1000.0) / 1000.0, Smallest, Largest);
}

double EditorZoom::StepUp(double scale)
{
    const auto next = std::upper_bound(Steps.begin(), Steps.end(), scale + 1e-9);
    return next == Steps.end() ? Largest : *next;
}

double EditorZoom::StepDown(double scale)
{
    const auto next = std::lower_bound(Steps.begin(), Steps.end(), scale - 1e-9);
    return next == Steps.begin() ? Smallest : *std::prev(next);
}

} // namespace ksr
