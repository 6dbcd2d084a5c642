#include "shell/JournalPlacement.h"

#include "editor/FrmEq.h"
#include "shell/MdiFrmMain.h"

#include <QCheckBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>

#include <algorithm>

namespace ksr {

namespace {

// What a window manager's frame adds at the sides and bottom, and at the top with the title bar.
constexpr int FrameSide = 6;
constexpr int FrameTop = 32;
// Less than this leaves the table a column or two beside a plot.
constexpr QSize LeastRoom(640, 360);

QRect GlobalRect(const QWidget &widget)
{
    return QRect(widget.mapToGlobal(QPoint(0, 0)), widget.size());
}

} // namespace

QRect JournalWindowPlace(const QRect &available, const QRect &editor, int clearBelow, QSize wanted, QSize least)
{
    // Where the window's inside may go with its frame on the screen.
    const QRect room = available.adjusted(FrameSide, FrameTop, -FrameSide, -FrameSide);
    const QRect right = QRect(QPoint(editor.right() + 1 + 2 * FrameSide, std::max(editor.top(), room.top())),
                              room.bottomRight())
                            .intersected(room);
    const QRect below =
        QRect(QPoint(room.left(), editor.bottom() + 1 + FrameSide + FrameTop), room.bottomRight()).intersected(room);
    for (const QRect &beside : {right, below}) {
        if (beside.width() >= least.width() && beside.height() >= least.height())
            return QRect(beside.topLeft(), wanted.boundedTo(beside.size()));
    }

    // Over the editor's lower part, at the bottom right.
    const int top = std::max(room.top(), clearBelow + 1 + FrameTop);
    const QSize size(std::min(wanted.width(), room.width()),
                     std::max(std::min(wanted.height(), room.bottom() + 1 - top), std::min(least.height(), room.height())));
    return QRect(room.bottomRight() - QPoint(size.width() - 1, size.height() - 1), size);
}

void PlaceJournalWindow(QWidget &journal, const MdiFrmMain &window, const FrmEq &editor)
{
    const QScreen *screen = window.screen();
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), journal.size());
    const QRect area = GlobalRect(*window.MdiArea->viewport());
    const QRect shown = window.EditorWindow ? GlobalRect(*window.EditorWindow).intersected(area) : QRect();
    int clearBelow = window.menuWidget() ? GlobalRect(*window.menuWidget()).bottom() : available.top();
    for (const QCheckBox *box : editor.Check1)
        clearBelow = std::max(clearBelow, std::min(GlobalRect(*box).bottom(), area.bottom()));
    const QRect inside =
        JournalWindowPlace(available, shown.isEmpty() ? area : shown, clearBelow, journal.size(), LeastRoom);
    // A window's position is its frame's: the frame's top left where the inside leaves room for it.
    journal.resize(inside.size());
    journal.move(inside.topLeft() - QPoint(FrameSide, FrameTop));
}

} // namespace ksr
