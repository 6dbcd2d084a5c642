// The dark look and the light one: every text of the dark look stands out
// from its background by 4.5:1 and no large area is bright; rows under
// automatic control stay apart from the user's; the light look keeps its
// colours; switching sends nothing to the device; the choice is kept.

#include "support/ProgramRig.h"
#include "support/SliderPoints.h"

#include "core/LookColours.h"
#include "journal/FrmJournal.h"
#include "journal/JournalPlot.h"
#include "presets/FrmStore.h"
#include "presets/RestoreDialog.h"
#include "shell/StageLook.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QSignalSpy>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>
#include <tuple>

using namespace ksr;
using namespace ksr::test;

namespace {

// Large areas of the dark look stay at most this bright (relative luminance).
constexpr double DarkAreaLuminance = 0.05;
// The backgrounds of automatic and manual rows differ at least by this ratio.
constexpr double RowBackgroundRatio = 1.25;

unsigned Rgb(const QColor &colour)
{
    return colour.rgb() & 0xFFFFFFu;
}

unsigned Role(const QPalette &palette, QPalette::ColorGroup group, QPalette::ColorRole role)
{
    return Rgb(palette.color(group, role));
}

// The colour of the picture's pixel at x, y.
unsigned PixelAt(const QImage &image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFFu;
}

// A row of the editor that the program marked as under automatic control.
void MarkFirstRowAutomatic(Program &program)
{
    program.Editor().SetRowEnabled(0, false);
}


// The squares of check boxes stand out from what is around them by this.
constexpr double IndicatorEdgeRatio = 3.0;

// The colour most pixels of `image` have on the ring `inset` pixels inside its edge.
unsigned CommonColourOnRing(const QImage &image, int inset)
{
    QHash<unsigned, int> counts;
    const QRect ring = image.rect().adjusted(inset, inset, -inset, -inset);
    for (int x = ring.left(); x <= ring.right(); ++x) {
        ++counts[PixelAt(image, x, ring.top())];
        ++counts[PixelAt(image, x, ring.bottom())];
    }
    for (int y = ring.top() + 1; y < ring.bottom(); ++y) {
        ++counts[PixelAt(image, ring.left(), y)];
        ++counts[PixelAt(image, ring.right(), y)];
    }
    unsigned common = 0;
    int most = -1;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most)
            std::tie(common, most) = std::pair(it.key(), it.value());
    return common;
}

// How the square of a check box at `square` (in `form`'s pixels) stands
// out from the background around it, as the form draws both: at the
// middle of each side the edge's pixel (within a pixel of the square's
// border) that stands out most; the least of the four sides.
double IndicatorEdgeContrast(QWidget &form, const QRect &square)
{
    constexpr int Margin = 3;
    const QImage picture = form.grab(square.adjusted(-Margin, -Margin, Margin, Margin)).toImage();
    const unsigned background = CommonColourOnRing(picture, 1);
    const QRect inside = picture.rect().adjusted(Margin, Margin, -Margin, -Margin);
    const QPoint middle = inside.center();
    double least = 21.0;
    for (int side = 0; side < 4; ++side) {
        double most = 1.0;
        for (int d = -1; d <= 1; ++d) {
            const QPoint at = side == 0   ? QPoint(inside.left() + d, middle.y())
                              : side == 1 ? QPoint(inside.right() + d, middle.y())
                              : side == 2 ? QPoint(middle.x(), inside.top() + d)
                                          : QPoint(middle.x(), inside.bottom() + d);
            most = std::max(most, ContrastRatio(PixelAt(picture, at.x(), at.y()), background));
        }
        least = std::min(least, most);
    }
    return least;
}

// The square of a check box, in the pixels of `form`, which holds it.
QRect CheckBoxSquare(const QCheckBox &box, const QWidget &form)
{
    QStyleOptionButton option;
    option.initFrom(&box);
    const QRect square = box.style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, &box);
    return QRect(box.mapTo(&form, square.topLeft()), square.size());
}

// The square of the first column's check of a tree's row, in its window's pixels.
QRect ItemCheckSquare(const QTreeWidget &tree, QTreeWidgetItem *item)
{
    QStyleOptionViewItem option;
    option.initFrom(tree.viewport());
    option.rect = tree.visualItemRect(item);
    option.rect.setWidth(tree.columnWidth(0));
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.text = item->text(0);
    option.checkState = item->checkState(0);
    option.font = tree.font();
    option.fontMetrics = tree.fontMetrics();
    const QRect square = tree.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &tree);
    return QRect(tree.viewport()->mapTo(tree.window(), square.topLeft()), square.size());
}
// The square of a checkable entry of a shown menu, in the menu's pixels: in
// the entry's first column (before its text, clear of the menu's frame),
// what stands out at all from the menu's background.
QRect MenuCheckSquare(QMenu &menu, QAction *action)
{
    const QImage picture = menu.grab().toImage();
    const QRect item = menu.actionGeometry(action);
    const QRect column(item.left() + 2, item.top() + 2, item.height() + 2, item.height() - 4);
    const unsigned background = CommonColourOnRing(picture.copy(column), 0);
    QRect square;
    for (int y = column.top(); y <= column.bottom(); ++y)
        for (int x = column.left(); x <= column.right(); ++x)
            if (ContrastRatio(PixelAt(picture, x, y), background) > 1.1)
                square |= QRect(x, y, 1, 1);
    return square;
}


// A control's rectangle in the pixels of `form`, which holds it.
QRect RectIn(const QWidget &control, const QWidget &form, const QRect &inside)
{
    return QRect(control.mapTo(&form, inside.topLeft()), inside.size());
}
QRect RectIn(const QWidget &control, const QWidget &form)
{
    return RectIn(control, form, control.rect());
}

// How an arrow drawn in `area` of `control` stands out from the face it is
// drawn on: the face is the colour most pixels have two pixels inside the
// area's edge, the arrow the pixel inside that stands out most.
double ArrowContrast(QWidget &control, const QRect &area)
{
    const QImage picture = control.grab(area).toImage();
    const unsigned face = CommonColourOnRing(picture, 2);
    double most = 1.0;
    for (int y = 2; y < picture.height() - 2; ++y)
        for (int x = 2; x < picture.width() - 2; ++x)
            most = std::max(most, ContrastRatio(PixelAt(picture, x, y), face));
    return most;
}

// The arrow's area of a combo box, in its own pixels.
QRect ComboArrow(const QComboBox &combo)
{
    QStyleOptionComboBox option;
    option.initFrom(&combo);
    option.editable = combo.isEditable();
    return combo.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, &combo);
}

} // namespace

class LookTest : public QObject {
    Q_OBJECT
    // The application's palette before any program ran: the platform's.
    QPalette platform_;

private slots:
    void initTestCase() { platform_ = QApplication::palette(); }

    void darkTextsStandOutFromTheirBackgrounds_data()
    {
        QTest::addColumn<unsigned>("text");
        QTest::addColumn<unsigned>("background");
        QTest::addColumn<bool>("large"); // the background covers a large area

        ProgramRig rig;
        rig.program.SetDarkLook(true);
        MarkFirstRowAutomatic(rig.program);
        const QPalette app = QApplication::palette();
        const struct {
            const char *name;
            QPalette::ColorRole text;
            QPalette::ColorRole background;
            bool large;
        } roles[] = {
            {"window text", QPalette::WindowText, QPalette::Window, true},
            {"text in boxes", QPalette::Text, QPalette::Base, true},
            {"button text", QPalette::ButtonText, QPalette::Button, true},
            {"selected text", QPalette::HighlightedText, QPalette::Highlight, false},
            {"tool tip", QPalette::ToolTipText, QPalette::ToolTipBase, false},
            {"placeholder", QPalette::PlaceholderText, QPalette::Base, true},
            {"link", QPalette::Link, QPalette::Base, true},
        };
        for (const auto &r : roles) {
            for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
                const char *groupName = group == QPalette::Active     ? "active"
                                        : group == QPalette::Inactive ? "inactive"
                                                                      : "disabled";
                QTest::addRow("%s, %s", r.name, groupName)
                    << Role(app, group, r.text) << Role(app, group, r.background) << r.large;
            }
        }

        // The message boxes and dialogs take the application's palette.
        const QMessageBox box;
        QTest::newRow("message box") << Role(box.palette(), QPalette::Active, QPalette::WindowText)
                                     << Role(box.palette(), QPalette::Active, QPalette::Window) << true;

        // The status bar's notes, bold ones too.
        MdiFrmMain &main = rig.program.MainWindow();
        for (const QLabel *note : {main.PortStatus, main.SearchStatus, main.CompareStatus})
            QTest::addRow("status: %s", qPrintable(note->objectName()))
                << Role(note->palette(), QPalette::Active, QPalette::WindowText)
                << Role(note->palette(), QPalette::Active, QPalette::Window) << true;

        // The editor's own colours, as its controls carry them.
        FrmEq &editor = rig.program.Editor();
        const QPalette automatic = editor.Text2[0]->palette();
        QTest::newRow("automatic row") << Role(automatic, QPalette::Disabled, QPalette::Text)
                                       << Role(automatic, QPalette::Disabled, QPalette::Base) << false;
        const QPalette locked = editor.Text2[5]->palette();
        QTest::newRow("locked box") << Role(locked, QPalette::Disabled, QPalette::Text)
                                    << Role(locked, QPalette::Disabled, QPalette::Base) << false;
        const QPalette lockedLabel = editor.Label2[0]->palette();
        QTest::newRow("locked caption") << Role(lockedLabel, QPalette::Disabled, QPalette::WindowText)
                                        << Role(lockedLabel, QPalette::Disabled, QPalette::Window) << true;
        const QPalette lockedButton = editor.Command1[0]->palette();
        QTest::newRow("locked button") << Role(lockedButton, QPalette::Disabled, QPalette::ButtonText)
                                       << Role(lockedButton, QPalette::Disabled, QPalette::Button) << false;
        const QPalette scale = editor.Label4[7]->palette();
        QTest::newRow("graph scale") << Role(scale, QPalette::Active, QPalette::WindowText)
                                     << Role(scale, QPalette::Active, QPalette::Window) << true;

        // The curves as drawn on their pictures: a point of each on the background.
        ResponseGraph &graph = rig.program.Graph();
        graph.RedrawBothChannels();
        for (int c = 0; c < 2; ++c) {
            const QImage &picture = graph.Picture(c);
            const QPoint on = graph.CurvePoints(c)[100];
            QTest::addRow("curve %d", c) << PixelAt(picture, on.x(), on.y()) << PixelAt(picture, 5, 5) << true;
        }

        // The journal's plot, as it is drawn: its background at a corner.
        rig.StartWithDevice();
        rig.program.ShowJournalWindow();
        const JournalPlot &plot = *rig.program.JournalWindow()->Plot;
        const unsigned plotBackground = PixelAt(plot.Render(QSize(200, 120), 1.0), 1, 1);
        QTest::newRow("plot text") << plot.Colours().plotText << plotBackground << true;
        QTest::newRow("plot, Left") << plot.Colours().plotMarks[0] << plotBackground << true;
        QTest::newRow("plot, Right") << plot.Colours().plotMarks[1] << plotBackground << true;
        QTest::newRow("workspace") << Role(app, QPalette::Active, QPalette::WindowText)
                                   << Rgb(rig.program.MainWindow().MdiArea->background().color()) << true;
    }
    void darkTextsStandOutFromTheirBackgrounds()
    {
        QFETCH(unsigned, text);
        QFETCH(unsigned, background);
        QFETCH(bool, large);
        const double ratio = ContrastRatio(text, background);
        if (ratio < 4.5)
            QFAIL(qPrintable(QStringLiteral("%1 on %2: %3:1").arg(text, 6, 16).arg(background, 6, 16).arg(ratio)));
        if (large)
            QVERIFY2(RelativeLuminance(background) <= DarkAreaLuminance,
                     qPrintable(QStringLiteral("a bright area: %1").arg(background, 6, 16)));
    }

    // In the dark look the square of every check box stands out from the
    // background around it, ticked or not: the editor's search and link
    // boxes, the restore's safety backup and the ticks of its entries, the
    // View menu's checkable entries.
    void darkCheckBoxesStandOut_data()
    {
        QTest::addColumn<double>("contrast");
        ProgramRig rig;
        rig.StartWithDevice();
        rig.program.SetDarkLook(true);
        RestoreDialog restore(RestorePlan{}, rig.program.State(), QStringLiteral("/safety"));
        restore.show();
        QVERIFY(QTest::qWaitForWindowExposed(&restore));
        // Each box with the form it is drawn on: the editor reaches beyond
        // the main window's area, and is grabbed whole.
        QList<std::pair<QCheckBox *, QWidget *>> boxes;
        for (QWidget *form : {static_cast<QWidget *>(&rig.program.Editor()), static_cast<QWidget *>(&restore)})
            for (QCheckBox *box : form->findChildren<QCheckBox *>())
                boxes.append({box, form});
        QCOMPARE(boxes.size(), 5);
        QCOMPARE(rig.program.MainWindow().findChildren<QCheckBox *>().size(), 4); // the editor's
        QTreeWidgetItem *entry = restore.Entries->topLevelItem(0);
        for (const bool ticked : {false, true}) {
            const char *state = ticked ? "ticked" : "not ticked";
            for (const auto &[box, form] : boxes) {
                const QSignalBlocker quiet(box);
                box->setChecked(ticked);
                QTest::addRow("%s, %s", qPrintable(box->objectName()), state)
                    << IndicatorEdgeContrast(*form, CheckBoxSquare(*box, *form));
            }
            entry->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
            QTest::addRow("restore entry, %s", state)
                << IndicatorEdgeContrast(restore, ItemCheckSquare(*restore.Entries, entry));
            // The View menu's fit to the window (the dark look's own entry
            // stays ticked).
            StageView &view = rig.program.View();
            view.FitAction->setChecked(ticked);
            view.Menu->popup(QPoint(0, 0));
            QVERIFY(QTest::qWaitForWindowExposed(view.Menu));
            QTest::addRow("View menu, fit, %s", state)
                << IndicatorEdgeContrast(*view.Menu, MenuCheckSquare(*view.Menu, view.FitAction));
            view.Menu->hide();
        }
    }
    void darkCheckBoxesStandOut()
    {
        QFETCH(double, contrast);
        QVERIFY2(contrast >= IndicatorEdgeRatio, qPrintable(QStringLiteral("%1:1").arg(contrast)));
    }


    // In the dark look the arrows of every kind of control stand out from
    // the face they are drawn on, and the edges of every kind of control from
    // the background around them, by 3:1: the editor's scroll bars of rows
    // and settings, its slider, text boxes and buttons; the main window's
    // buttons and the View menu's arrow; the store window's position list and
    // progress bar; the restore's list of entries.
    void darkArrowsAndEdgesStandOut_data()
    {
        QTest::addColumn<double>("contrast");
        ProgramRig rig;
        rig.StartWithDevice();
        rig.program.SetDarkLook(true);
        FrmEq &editor = rig.program.Editor();
        // Rows of the user's and under automatic control (disabled, but
        // their arrows still seen), a setting, and a setting locked by a search.
        const auto *user = std::find_if(editor.HScroll20.begin(), editor.HScroll20.end(),
                                        [](const QScrollBar *bar) { return bar->isEnabled(); });
        QVERIFY(user != editor.HScroll20.end());
        QVERIFY(!editor.HScroll20[0]->isEnabled());
        const std::pair<const char *, QScrollBar *> bars[] = {{"notch gain", *user},
                                                              {"automatic notch's frequency", editor.HScroll6[0]},
                                                              {"automatic count", editor.HScroll1[1]}};
        for (const auto &[name, bar] : bars) {
            QTest::addRow("%s, left arrow", name) << ArrowContrast(*bar, PartRect(*bar, QStyle::SC_ScrollBarSubLine));
            QTest::addRow("%s, right arrow", name) << ArrowContrast(*bar, PartRect(*bar, QStyle::SC_ScrollBarAddLine));
            QTest::addRow("%s, edge", name) << IndicatorEdgeContrast(editor, RectIn(*bar, editor));
        }
        editor.Check1[1]->click();
        QVERIFY(!editor.HScroll2[0]->isEnabled());
        QTest::newRow("locked setting, left arrow")
            << ArrowContrast(*editor.HScroll2[0], PartRect(*editor.HScroll2[0], QStyle::SC_ScrollBarSubLine));
        editor.Check1[1]->click();
        QTest::newRow("sensitivity handle")
            << IndicatorEdgeContrast(editor, RectIn(*editor.Slider1[0], editor, PartRect(*editor.Slider1[0], QStyle::SC_SliderHandle)));
        QTest::newRow("notch text box") << IndicatorEdgeContrast(editor, RectIn(*editor.Text2[6], editor));
        QTest::newRow("sensitivity box") << IndicatorEdgeContrast(editor, RectIn(*editor.Text4[0], editor));
        QTest::newRow("reset button") << IndicatorEdgeContrast(editor, RectIn(*editor.Command1[2], editor));

        MdiFrmMain &main = rig.program.MainWindow();
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QTest::newRow("bar's button") << IndicatorEdgeContrast(main, RectIn(*main.Command1[0], main));
        QTest::newRow("View button") << IndicatorEdgeContrast(main, RectIn(*main.ViewButton, main));
        // The View button's arrow, in its lower right corner.
        const QRect view = main.ViewButton->rect();
        QTest::newRow("View button's arrow")
            << ArrowContrast(*main.ViewButton, QRect(view.right() - 13, view.bottom() - 11, 12, 10));

        FrmStore store(rig.program.State(), rig.program.Presets(), rig.dialogs);
        store.ProgressBar1->setValue(40);
        store.ProgressBar1->show();
        store.show();
        QVERIFY(QTest::qWaitForWindowExposed(&store));
        QTest::newRow("position list's arrow") << ArrowContrast(*store.Combo1, ComboArrow(*store.Combo1));
        QTest::newRow("position list") << IndicatorEdgeContrast(store, RectIn(*store.Combo1, store));
        QTest::newRow("name box") << IndicatorEdgeContrast(store, RectIn(*store.Text1, store));
        QTest::newRow("progress bar") << IndicatorEdgeContrast(store, RectIn(*store.ProgressBar1, store));
        QTest::newRow("store button") << IndicatorEdgeContrast(store, RectIn(*store.Command1[1], store));

        RestoreDialog restore(RestorePlan{}, rig.program.State(), QStringLiteral("/safety"));
        restore.show();
        QVERIFY(QTest::qWaitForWindowExposed(&restore));
        QTest::newRow("restore's entries") << IndicatorEdgeContrast(restore, RectIn(*restore.Entries, restore));
    }
    void darkArrowsAndEdgesStandOut()
    {
        QFETCH(double, contrast);
        QVERIFY2(contrast >= IndicatorEdgeRatio, qPrintable(QStringLiteral("%1:1").arg(contrast)));
    }

    // In the dark look a row under automatic control has a background
    // clearly its own, next to a row of the user's whether that is open or
    // locked by a search.
    void automaticRowsStandApart_data()
    {
        QTest::addColumn<int>("manual");
        QTest::newRow("open") << int(QPalette::Active);
        QTest::newRow("locked") << int(QPalette::Disabled);
    }
    void automaticRowsStandApart()
    {
        QFETCH(int, manual);
        ProgramRig rig;
        rig.program.SetDarkLook(true);
        MarkFirstRowAutomatic(rig.program);
        const unsigned automatic = Role(rig.program.Editor().Text2[0]->palette(), QPalette::Disabled, QPalette::Base);
        const unsigned user =
            Role(rig.program.Editor().Text2[5]->palette(), static_cast<QPalette::ColorGroup>(manual), QPalette::Base);
        const double ratio = ContrastRatio(automatic, user);
        QVERIFY2(ratio >= RowBackgroundRatio, qPrintable(QString::number(ratio)));
    }

    // The light look is the one the program always had: the platform's
    // palette and its own colours, also after a spell of the dark look (here
    // after every test before, each program ending in the look it chose).
    void lightLookKeepsItsColours_data()
    {
        QTest::addColumn<unsigned>("colour");
        QTest::addColumn<unsigned>("expected");

        ProgramRig rig;
        const QPalette &platform = platform_;
        MarkFirstRowAutomatic(rig.program);
        rig.program.Graph().RedrawBothChannels();
        const QImage picture = rig.program.Graph().Picture(1);
        QWidget &band = *rig.program.Editor().TopBand;
        {
            // A ticked box next to the others, its tick alone.
            const QSignalBlocker quiet(rig.program.Editor().Check1[1]);
            rig.program.Editor().Check1[1]->setChecked(true);
        }
        const QImage bandBefore = band.grab().toImage();
        rig.program.SetDarkLook(true);
        rig.program.SetDarkLook(false);
        QTest::newRow("editor's top band, pixels that differ") << unsigned(band.grab().toImage() != bandBefore) << 0u;

        const QPalette app = QApplication::palette();
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            for (int role = 0; role < QPalette::NColorRoles; ++role) {
                const auto r = static_cast<QPalette::ColorRole>(role);
                QTest::addRow("palette group %d role %d", int(group), role)
                    << Role(app, group, r) << Role(platform, group, r);
            }
        FrmEq &editor = rig.program.Editor();
        const QPalette automatic = editor.Text2[0]->palette();
        QTest::newRow("automatic row background") << Role(automatic, QPalette::Disabled, QPalette::Base) << 0xD2E4F6u;
        QTest::newRow("automatic row text") << Role(automatic, QPalette::Disabled, QPalette::Text) << 0x1F1F1Fu;
        for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
            QTest::addRow("locked text, role %d", int(role))
                << Role(editor.palette(), QPalette::Disabled, role) << 0x4D4D4Du;
        QTest::newRow("workspace") << Rgb(rig.program.MainWindow().MdiArea->background().color())
                                   << Rgb(QColor(Qt::gray));
        const QImage after = rig.program.Graph().Picture(1);
        QTest::newRow("curve picture, pixels that differ") << unsigned(picture != after) << 0u;
        QTest::newRow("graph background") << PixelAt(after, 5, 5) << 0xFFFFFFu;
        QTest::newRow("graph grid") << PixelAt(after, ResponseGraph::GridColumns()[9], 5) << 0xB2B2B2u;
        const QPoint on = rig.program.Graph().CurvePoints(1)[100];
        QTest::newRow("Right curve") << PixelAt(after, on.x(), on.y()) << 0x0000FFu;
        const LookColours &plot = LightColours;
        QTest::newRow("plot background") << plot.plotBackground << 0xFFFFFFu;
        QTest::newRow("plot grid") << plot.plotGrid << 0xC8C8C8u;
        QTest::newRow("plot text") << plot.plotText << 0x000000u;
        QTest::newRow("plot, Left") << plot.plotMarks[0] << 0xC00000u;
        QTest::newRow("plot, Right") << plot.plotMarks[1] << 0x0000C0u;
        QTest::newRow("Left curve") << LightColours.curves[0] << 0xFF0000u;
    }
    void lightLookKeepsItsColours()
    {
        QFETCH(unsigned, colour);
        QFETCH(unsigned, expected);
        QCOMPARE(colour, expected);
    }

    // The look reaches every window at once: the application, the editor's
    // own colours, the curves (repainted), an open journal window.
    void darkLookReachesEveryWindowAtOnce()
    {
        ProgramRig rig;
        rig.StartWithDevice();
        rig.program.ShowJournalWindow();
        MarkFirstRowAutomatic(rig.program);
        QSignalSpy redrawn(&rig.program.Graph(), &ResponseGraph::ChannelRedrawn);
        rig.program.SetDarkLook(true);
        QVERIFY(rig.program.DarkLook());
        QCOMPARE(QApplication::palette().color(QPalette::Window), DarkPalette().color(QPalette::Window));
        for (QWidget *window : {static_cast<QWidget *>(&rig.program.MainWindow()),
                                static_cast<QWidget *>(&rig.program.Editor()),
                                static_cast<QWidget *>(rig.program.JournalWindow())})
            QCOMPARE(window->palette().color(QPalette::Base), DarkPalette().color(QPalette::Base));
        QCOMPARE(Role(rig.program.Editor().Text2[0]->palette(), QPalette::Disabled, QPalette::Base),
                 DarkColours.automaticRowBackground);
        QCOMPARE(redrawn.count(), 2);
        QCOMPARE(PixelAt(rig.program.Graph().Picture(0), 5, 5), DarkColours.graphBackground);
        QCOMPARE(rig.program.JournalWindow()->Plot->Colours(), DarkColours);
    }

    // The look changes colours only: nothing goes to the device, nothing
    // of the settings changes.
    void switchingTheLookSendsNothing()
    {
        ProgramRig rig;
        rig.StartWithDevice();
        const auto image = rig.program.Values().PresetImage;
        rig.program.SetDarkLook(true);
        QCoreApplication::processEvents();
        rig.program.SetDarkLook(false);
        QCoreApplication::processEvents();
        QVERIFY(rig.Writes().isEmpty());
        QVERIFY(rig.program.Values().PresetImage == image);
    }

    // The choice is saved at once and taken up by the next start, before
    // any window shows.
    void lookIsKeptBetweenSessions_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("dark") << true;
        QTest::newRow("light again") << false;
    }
    void lookIsKeptBetweenSessions()
    {
        QFETCH(bool, dark);
        QTemporaryDir settings;
        const QString path = settings.filePath(QStringLiteral("look.ini"));
        {
            ProgramRig first(path);
            QVERIFY(!first.program.DarkLook());
            first.program.SetDarkLook(true);
            if (!dark)
                first.program.SetDarkLook(false);
        }
        QVERIFY(QFileInfo::exists(path));
        ProgramRig next(path);
        QCOMPARE(next.program.DarkLook(), dark);
        QCOMPARE(QApplication::palette().color(QPalette::Window) == DarkPalette().color(QPalette::Window), dark);
        QCOMPARE(next.program.Graph().Colours(), ColoursOf(dark));
        QCOMPARE(next.program.Editor().Colours(), ColoursOf(dark));
    }
};

QTEST_MAIN(LookTest)
#include "tst_look.moc"
