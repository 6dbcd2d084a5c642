#include "shell/StageLook.h"

#include "core/LookColours.h"

#include <QApplication>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>

namespace ksr {

namespace {

// Where the application keeps the style it had before the dark look.
const char *const LightStyleProperty = "ksrLightStyle";
const QLatin1StringView PaletteStyle("fusion");

// The edge of a check box's square, ticked or not, and of a square with the
// keyboard's focus: at least 3:1 against the window, the boxes and the
// menus (the style's own edge, a shade darker than the window, is lost on it).
// Every other control's edge takes the same colour.
constexpr QRgb DarkIndicatorEdge = 0x8C8C8C;
constexpr QRgb DarkIndicatorFocusEdge = 0x80B4F0;
// The arrows of scroll bars, combo boxes and menu buttons: the style draws
// them in these at 60 % over the button's face, at least 3:1 against it,
// those of a disabled control (a row under automatic control, a control
// locked by a search) dimmer than the others.
constexpr QRgb DarkArrow = 0xFFFFFF;
constexpr QRgb DarkDisabledArrow = 0xD0D0D0;

// `option`'s palette with the colour the style draws arrows in.
template <typename Option>
Option WithBrightArrows(const Option &option)
{
    Option bright = option;
    const QColor arrow(option.state.testFlag(QStyle::State_Enabled) ? DarkArrow : DarkDisabledArrow);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText})
        bright.palette.setColor(role, arrow);
    return bright;
}

// Draws the edge of `rect` in the edge colour, rounded as the style rounds
// its frames and buttons.
void DrawEdge(QPainter *painter, const QRect &rect, double radius, QRgb colour = DarkIndicatorEdge)
{
    if (rect.width() < 2 || rect.height() < 2)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, radius > 0);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QColor(colour));
    if (radius > 0)
        painter->drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    else
        painter->drawRect(rect.adjusted(0, 0, -1, -1));
    painter->restore();
}

// The style of the dark look: one that follows the palette, with the edges
// of controls (squares of check boxes of windows, item views and menus; text
// boxes, buttons, combo boxes, scroll bars, sliders, progress bars, frames)
// and their arrows that a dark room sees.
class DarkLookStyle final : public QProxyStyle {
public:
    DarkLookStyle() : QProxyStyle(QStyleFactory::create(PaletteStyle)) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        switch (element) {
        case PE_IndicatorArrowUp:
        case PE_IndicatorArrowDown:
        case PE_IndicatorArrowLeft:
        case PE_IndicatorArrowRight: {
            const QStyleOption bright = WithBrightArrows(*option);
            QProxyStyle::drawPrimitive(element, &bright, painter, widget);
            return;
        }
        default:
            break;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        switch (element) {
        case PE_IndicatorCheckBox: {
            const bool focused = option->state.testFlag(State_HasFocus) &&
                                 option->state.testFlag(State_KeyboardFocusChange);
            DrawEdge(painter, option->rect, 0, focused ? DarkIndicatorFocusEdge : DarkIndicatorEdge);
            return;
        }
        case PE_FrameLineEdit:
        case PE_Frame:
            DrawEdge(painter, option->rect, 0);
            return;
        case PE_PanelButtonCommand:
            DrawEdge(painter, option->rect, 2);
            return;
        case PE_PanelButtonTool:
            // A raised tool button has no edge until the pointer is on it.
            if (!option->state.testFlag(State_AutoRaise) || option->state.testFlag(State_MouseOver))
                DrawEdge(painter, option->rect, 2);
            return;
        default:
            return;
        }
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget) const override
    {
        if (const auto *slider = qstyleoption_cast<const QStyleOptionSlider *>(option)) {
            const QStyleOptionSlider bright = WithBrightArrows(*slider);
            QProxyStyle::drawComplexControl(control, &bright, painter, widget);
        } else if (const auto *combo = qstyleoption_cast<const QStyleOptionComboBox *>(option)) {
            const QStyleOptionComboBox bright = WithBrightArrows(*combo);
            QProxyStyle::drawComplexControl(control, &bright, painter, widget);
        } else if (const auto *spin = qstyleoption_cast<const QStyleOptionSpinBox *>(option)) {
            const QStyleOptionSpinBox bright = WithBrightArrows(*spin);
            QProxyStyle::drawComplexControl(control, &bright, painter, widget);
        } else {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
        }
        switch (control) {
        case CC_ScrollBar:
            DrawEdge(painter, option->rect, 0);
            DrawEdge(painter, subControlRect(control, option, SC_ScrollBarSlider, widget), 0);
            return;
        case CC_Slider:
            DrawEdge(painter, subControlRect(control, option, SC_SliderGroove, widget), 1);
            DrawEdge(painter, subControlRect(control, option, SC_SliderHandle, widget), 2);
            return;
        case CC_ComboBox:
        case CC_SpinBox:
            DrawEdge(painter, option->rect, 2);
            return;
        default:
            return;
        }
    }

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override
    {
        QProxyStyle::drawControl(element, option, painter, widget);
        if (element == CE_ProgressBarGroove)
            DrawEdge(painter, option->rect, 2);
    }
};

} // namespace

QPalette DarkPalette()
{
    const auto colour = [](unsigned rgb) { return QColor(QRgb(rgb)); };
    QPalette palette;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, colour(0x2A2A2A));
        palette.setColor(group, QPalette::WindowText, colour(0xE6E6E6));
        palette.setColor(group, QPalette::Base, colour(0x1A1A1A));
        palette.setColor(group, QPalette::AlternateBase, colour(0x242424));
        palette.setColor(group, QPalette::Text, colour(0xE6E6E6));
        palette.setColor(group, QPalette::PlaceholderText, colour(0x9E9E9E));
        palette.setColor(group, QPalette::Button, colour(0x383838));
        palette.setColor(group, QPalette::ButtonText, colour(0xE6E6E6));
        palette.setColor(group, QPalette::BrightText, colour(0xFF8080));
        palette.setColor(group, QPalette::ToolTipBase, colour(0x383838));
        palette.setColor(group, QPalette::ToolTipText, colour(0xE6E6E6));
        palette.setColor(group, QPalette::Highlight, colour(0x2D5F92));
        palette.setColor(group, QPalette::HighlightedText, colour(0xFFFFFF));
        palette.setColor(group, QPalette::Link, colour(0x80B4F0));
        palette.setColor(group, QPalette::LinkVisited, colour(0xC0A0E8));
        // The bevels of buttons, frames and scroll bars.
        palette.setColor(group, QPalette::Light, colour(0x505050));
        palette.setColor(group, QPalette::Midlight, colour(0x404040));
        palette.setColor(group, QPalette::Mid, colour(0x242424));
        palette.setColor(group, QPalette::Dark, colour(0x1A1A1A));
        palette.setColor(group, QPalette::Shadow, colour(0x0A0A0A));
    }
    // Disabled text stays legible: dimmer, but at 4.5:1 on every background.
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                                     QPalette::HighlightedText, QPalette::ToolTipText})
        palette.setColor(QPalette::Disabled, role, colour(0xA6A6A6));
    palette.setColor(QPalette::Disabled, QPalette::Highlight, colour(0x383838));
    return palette;
}

void ApplyApplicationLook(bool dark)
{
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app)
        return;
    if (dark) {
        // The light look's style gives way to the dark look's, which follows
        // the palette.
        if (!app->property(LightStyleProperty).isValid()) {
            app->setProperty(LightStyleProperty, QApplication::style()->name());
            QApplication::setStyle(new DarkLookStyle);
        }
        QApplication::setPalette(DarkPalette());
    } else {
        const QVariant lightStyle = app->property(LightStyleProperty);
        if (lightStyle.isValid()) {
            app->setProperty(LightStyleProperty, QVariant());
            if (QStyle *style = QStyleFactory::create(lightStyle.toString()))
                QApplication::setStyle(style);
        }
        // A palette that sets no role of its own: the platform's and the style's again.
        QPalette platform;
        platform.setResolveMask(0);
        QApplication::setPalette(platform);
    }
    // The windows take the palette now, not at the next turn of the event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::ApplicationPaletteChange);
}

} // namespace ksr
