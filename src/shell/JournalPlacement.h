#pragma once
// Where the journal window opens: beside the editor, never over the main
// window's button bar and the search boxes, which are watched during a
// ring-out.

#include <QRect>
#include <QSize>

class QWidget;

namespace ksr {

class FrmEq;
class MdiFrmMain;

// The window's inside (the window manager's frame around it): right of
// `editor` where the screen's `available` room has room for `least` there,
// else below it, else at the screen's bottom right with its frame below
// `clearBelow`. At most `wanted`.
QRect JournalWindowPlace(const QRect &available, const QRect &editor, int clearBelow, QSize wanted, QSize least);

// Moves `journal` there, beside the editor as it shows in `window` now, on
// the screen the window is on, with room for the table's columns and a plot;
// at most its size now.
void PlaceJournalWindow(QWidget &journal, const MdiFrmMain &window, const FrmEq &editor);

} // namespace ksr
