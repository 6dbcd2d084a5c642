#include "editor/EditorLayout.h"

#include <QGroupBox>
#include <QLabel>
#include <QStringList>
#include <QWidget>

#include <cmath>

namespace ksr::layout {

void PlaceTwips(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(TwipsRect(left, top, width, height));
}

QFont ControlFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Arial"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans Condensed"),
                      QStringLiteral("DejaVu Sans")});
    font.setPointSizeF(7.5);
    return font;
}

QFont PresetLabelFont()
{
    QFont font = ControlFont();
    font.setPointSizeF(9.75);
    font.setBold(true);
    return font;
}

QFont ScaleFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Serif"), QStringLiteral("Times New Roman"),
                      QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif Condensed"),
                      QStringLiteral("DejaVu Serif")});
    font.setStyleHint(QFont::Serif);
    font.setPointSizeF(6.75);
    return font;
}

QRect ScaledRect(const QRect &rect, double scale)
{
    const auto at = [scale](int v) { return static_cast<int>(std::lround(v * scale)); };
    const int left = at(rect.left());
    const int top = at(rect.top());
    return {left, top, at(rect.left() + rect.width()) - left, at(rect.top() + rect.height()) - top};
}

QFont ScaledFont(QFont font, double scale)
{
    font.setPointSizeF(font.pointSizeF() * scale);
    if (font.letterSpacingType() == QFont::AbsoluteSpacing)
        font.setLetterSpacing(QFont::AbsoluteSpacing, font.letterSpacing() * scale);
    return font;
}

QGroupBox *AddFrame(QWidget *parent, const QString &objectName, const QString &caption, QRect twips)
{
    auto *frame = new QGroupBox(caption, parent);
    frame->setObjectName(objectName);
    PlaceTwips(frame, twips.x(), twips.y(), twips.width(), twips.height());
    return frame;
}

QLabel *AddLabel(QWidget *parent, const QString &objectName, const QString &text, QRect twips)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setObjectName(objectName);
    PlaceTwips(label, twips.x(), twips.y(), twips.width(), twips.height());
    return label;
}

QString ArrayName(const char *name, int index)
{
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

} // namespace ksr::layout
