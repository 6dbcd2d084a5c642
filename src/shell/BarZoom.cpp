#include "shell/BarZoom.h"

#include "editor/EditorLayout.h"

#include <QToolButton>

#include <cmath>

namespace ksr {

BarZoom::BarZoom(QWidget &bar)
    : bar_(bar), height_(bar.height())
{
    for (QToolButton *button : bar.findChildren<QToolButton *>(Qt::FindDirectChildrenOnly))
        placed_.push_back({button, button->geometry(), button->iconSize(), button->font()});
}

void BarZoom::SetScale(double scale)
{
    if (scale == scale_)
        return;
    scale_ = scale;
    bar_.setFixedHeight(static_cast<int>(std::lround(height_ * scale)));
    for (const Placed &p : placed_) {
        if (p.button == nullptr)
            continue;
        p.button->setFont(layout::ScaledFont(p.font, scale));
        p.button->setIconSize(p.iconSize * scale);
        p.button->setGeometry(layout::ScaledRect(p.geometry, scale));
    }
}

} // namespace ksr
