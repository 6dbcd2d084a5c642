#pragma once
// Pieces both preset windows are built from.

#include <QString>

#include <array>

class QBoxLayout;
class QDialog;
class QVBoxLayout;
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
// Makes `dialog` a modal window with its title and the "Memory Preset"
// caption (`label3`) on top; returns the column the rest goes in.
QVBoxLayout *BeginPresetWindow(QDialog *dialog, const QString &objectName, const QString &title, QLabel **label3);
// The row of the two buttons: "Cancel" (index 0) and `action` (index 1).
void AddCommandButtons(QDialog *dialog, QBoxLayout *layout, const QString &action,
                       std::array<QPushButton *, 2> &buttons);

} // namespace ksr
