#include "editor/WrappingButtons.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace ksr {

namespace {

constexpr int CaptionFlags = Qt::TextShowMnemonic | Qt::TextWordWrap;

} // namespace

WrappingPushButton::WrappingPushButton(const QString &text, QWidget *parent)
    : QPushButton(text, parent)
{
}

void WrappingPushButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    const QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    painter.drawItemText(contents, Qt::AlignCenter | CaptionFlags, option.palette, isEnabled(), caption,
                         QPalette::ButtonText);
}

WrappingCheckBox::WrappingCheckBox(const QString &text, QWidget *parent)
    : QCheckBox(text, parent)
{
}

void WrappingCheckBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();

    QStyleOptionButton indicator = option;
    indicator.rect = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, indicator);

    const int spacing = style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this);
    const QRect label = option.rect.adjusted(indicator.rect.right() + 1 + spacing - option.rect.left(), 0, 0, 0);
    painter.drawItemText(label, Qt::AlignLeft | Qt::AlignVCenter | CaptionFlags, option.palette, isEnabled(),
                         caption, QPalette::WindowText);

    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = painter.fontMetrics().boundingRect(label, CaptionFlags, caption);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

bool WrappingCheckBox::hitButton(const QPoint &pos) const
{
    return rect().contains(pos);
}

} // namespace ksr
