#pragma once
// Pieces both preset windows are built from.

#include <QString>

class QBoxLayout;
class QLabel;
class QListWidget;
class QPushButton;
class QWidget;

namespace ksr {

// A single-selection list of `names` with, beside it, the column of their
// numbers from `first` on ("01", "05", ...), added to `layout`.
QListWidget *AddNumberedList(QWidget *owner, QBoxLayout *layout, const QStringList &names, int first,
                             QLabel **numbers);
// The numbers from `first` to `last`, one a line, two digits each.
QString NumberColumn(int first, int last);
QPushButton *AddButton(QWidget *owner, QBoxLayout *layout, const QString &text, const QString &objectName);

} // namespace ksr
