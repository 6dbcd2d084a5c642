#include "presets/PresetWindowParts.h"

#include <QBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace ksr {

QString NumberColumn(int first, int last)
{
    QStringList numbers;
    for (int n = first; n <= last; ++n)
        numbers << QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
    return numbers.join(QLatin1Char('\n'));
}

QListWidget *AddNumberedList(QWidget *owner, QBoxLayout *layout, const QStringList &names, int first,
                             QLabel **numbers)
{
    auto *row = new QHBoxLayout;
    *numbers = new QLabel(NumberColumn(first, first + int(names.size()) - 1), owner);
    (*numbers)->setObjectName(QStringLiteral("Label1"));
    (*numbers)->setAlignment(Qt::AlignRight | Qt::AlignTop);
    auto *list = new QListWidget(owner);
    list->setObjectName(QStringLiteral("List1"));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->addItems(names);
    // One list row a number line, so that the numbers stand beside their names.
    QFont mono = list->font();
    mono.setFamily(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    list->setFont(mono);
    (*numbers)->setFont(mono);
    list->setSpacing(0);
    const int lineHeight = QFontMetrics(mono).lineSpacing();
    list->setUniformItemSizes(true);
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setSizeHint(QSize(0, lineHeight));
    list->setFixedHeight(lineHeight * list->count() + 2 * list->frameWidth());
    list->setMinimumWidth(QFontMetrics(mono).horizontalAdvance(QStringLiteral("WWWWWWWWWW")));
    (*numbers)->setContentsMargins(0, list->frameWidth(), 0, 0);
    row->addWidget(*numbers);
    row->addWidget(list);
    layout->addLayout(row);
    return list;
}

QPushButton *AddButton(QWidget *owner, QBoxLayout *layout, const QString &text, const QString &objectName)
{
    auto *button = new QPushButton(text, owner);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    layout->addWidget(button);
    return button;
}

} // namespace ksr
