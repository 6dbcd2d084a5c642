#pragma once
// Placement in twips (15 twips to the pixel, as at 96 dpi) and the fonts of
// the editor window. Every control of the window is placed with these.

#include <QFont>
#include <QRect>
#include <QString>

class QGroupBox;
class QLabel;
class QWidget;

namespace ksr::layout {

inline constexpr int TwipsPerPixel = 15;

// Twips to whole pixels, to the nearest.
constexpr int Px(int twips)
{
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}

constexpr QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(Px(left), Px(top), Px(width), Px(height));
}

// Puts `widget` at the given place of its parent, in twips.
void PlaceTwips(QWidget *widget, int left, int top, int width, int height);

// The small sans-serif face of the controls (7.5 pt), small enough for
// the rows' 16-pixel text boxes.
QFont ControlFont();
// The bold face of the preset labels (9.75 pt).
QFont PresetLabelFont();
// The small serif face of the graph scales (6.75 pt).
QFont ScaleFont();

// The edges of `rect` times `scale`, so that neighbours stay neighbours.
QRect ScaledRect(const QRect &rect, double scale);
// `font` times `scale`, its letter spacing with it.
QFont ScaledFont(QFont font, double scale);

// A frame (group box) with `caption`, placed in twips inside `parent`.
QGroupBox *AddFrame(QWidget *parent, const QString &objectName, const QString &caption, QRect twips);
// A plain label placed in twips inside `parent`.
QLabel *AddLabel(QWidget *parent, const QString &objectName, const QString &text, QRect twips);

// "Name_index", the object name of a member of a control array.
QString ArrayName(const char *name, int index);

} // namespace ksr::layout
