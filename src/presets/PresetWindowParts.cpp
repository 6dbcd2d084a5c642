#include "presets/PresetWindowParts.h"

#include <QBoxLayout>
#include <QDialog>
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

QVBoxLayout *BeginPresetWindow(QDialog *dialog, const QString &objectName, const QString &title, QLabel **label3)
{
    dialog->setObjectName(objectName);
    dialog->setWindowTitle(title);
    dialog->setModal(true);
    auto *layout = new QVBoxLayout(dialog);
    *label3 = new QLabel(QStringLiteral("Memory Preset"), dialog);
    (*label3)->setObjectName(QStringLiteral("Label3"));
    layout->addWidget(*label3);
    return layout;
}

void AddCommandButtons(QDialog *dialog, QBoxLayout *layout, const QString &action,
                       std::array<QPushButton *, 2> &buttons)
{
    auto *row = new QHBoxLayout;
    const std::array<QString, 2> texts = {QStringLiteral("Cancel"), action};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        buttons[i] = new QPushButton(texts[i], dialog);
        buttons[i]->setObjectName(QStringLiteral("Command1_%1").arg(i));
        buttons[i]->setAutoDefault(false);
        row->addWidget(buttons[i]);
    }
    layout->addLayout(row);
}

} // namespace ksr
