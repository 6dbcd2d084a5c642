#pragma once
// Where to press on a scroll bar or slider to hit one of its parts, and
// where a part lies, as its style draws it.

#include <QAbstractSlider>
#include <QPoint>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

namespace ksr::test {

// The style option `control` paints itself with.
inline QStyleOptionSlider SliderOption(const QAbstractSlider &control)
{
    const bool slider = qobject_cast<const QSlider *>(&control) != nullptr;
    QStyleOptionSlider option;
    option.initFrom(&control);
    option.subControls = QStyle::SC_All;
    option.orientation = control.orientation();
    option.minimum = control.minimum();
    option.maximum = control.maximum();
    option.sliderPosition = control.sliderPosition();
    option.sliderValue = control.value();
    option.singleStep = control.singleStep();
    option.pageStep = control.pageStep();
    if (slider)
        option.tickPosition = static_cast<const QSlider &>(control).tickPosition();
    if (control.orientation() == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    return option;
}

// Where `part` of `control` lies, in its own pixels.
inline QRect PartRect(const QAbstractSlider &control, QStyle::SubControl part)
{
    const bool slider = qobject_cast<const QSlider *>(&control) != nullptr;
    const QStyleOptionSlider option = SliderOption(control);
    return control.style()->subControlRect(slider ? QStyle::CC_Slider : QStyle::CC_ScrollBar, &option, part, &control);
}

// The first point along the middle of `control` (from its left or right end)
// that lies on `part` as its style draws it.
inline QPoint PointOn(const QAbstractSlider &control, QStyle::SubControl part, bool fromRight)
{
    const bool slider = qobject_cast<const QSlider *>(&control) != nullptr;
    const QStyleOptionSlider option = SliderOption(control);
    const QStyle::ComplexControl kind = slider ? QStyle::CC_Slider : QStyle::CC_ScrollBar;
    // A slider's groove lies where its handle does, above the ticks.
    const int y = slider ? control.style()->subControlRect(kind, &option, QStyle::SC_SliderHandle, &control).center().y()
                         : control.height() / 2;
    for (int i = 1; i < control.width() - 1; ++i) {
        const QPoint point(fromRight ? control.width() - 1 - i : i, y);
        if (control.style()->hitTestComplexControl(kind, &option, point, &control) == part)
            return point;
    }
    return {};
}

} // namespace ksr::test
