#include "shell/StageLook.h"

#include "core/LookColours.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

namespace ksr {

namespace {

// Where the application keeps the style it had before the dark look.
const char *const LightStyleProperty = "ksrLightStyle";
const QLatin1StringView PaletteStyle("fusion");

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
        // A platform style that draws its own colours gives way to one that
        // follows the palette.
        if (QApplication::style()->name() != PaletteStyle) {
            app->setProperty(LightStyleProperty, QApplication::style()->name());
            QApplication::setStyle(QStyleFactory::create(PaletteStyle));
        }
        QApplication::setPalette(DarkPalette());
    } else {
        const QString lightStyle = app->property(LightStyleProperty).toString();
        if (!lightStyle.isEmpty()) {
            app->setProperty(LightStyleProperty, QVariant());
            QApplication::setStyle(QStyleFactory::create(lightStyle));
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
