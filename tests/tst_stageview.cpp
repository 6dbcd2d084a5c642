// The editor zoomed as one picture: every control and font scaled from the
// design and back without drift, the curves drawn at the scaled size, the
// editor fitted to the main window, the keys, the kept choice, and nothing
// sent to the device.

#include "support/ProgramRig.h"
#include "support/SliderPoints.h"

#include "editor/EditorZoom.h"
#include "graph/GraphPicture.h"
#include "shell/MdiFrmMain.h"
#include "shell/StageView.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace ksr;
using namespace ksr::test;

namespace {

struct Design {
    QWidget *widget;
    QRect geometry;
    QFont font;
};

// Every widget of the editor with its place and font.
std::vector<Design> DesignOf(FrmEq &editor)
{
    std::vector<Design> all;
    for (QWidget *w : editor.findChildren<QWidget *>())
        all.push_back({w, w->geometry(), w->font()});
    return all;
}

// Whether the design places `widget` itself (not a part of a control).
bool PlacedByTheDesign(const QWidget *widget, const FrmEq &editor)
{
    const QWidget *parent = widget->parentWidget();
    return parent == &editor || qobject_cast<const QGroupBox *>(parent) != nullptr
           || parent->objectName() == QLatin1String("TopBand");
}

} // namespace

class StageViewTest : public QObject {
    Q_OBJECT
private slots:
    // At 200 % every place, size and font is doubled; after every step up to
    // 300 % and down to 50 % the design comes back exactly. Nothing is sent.
    void zoomScalesEveryControlAndComesBackExactly()
    {
        ProgramRig rig;
        rig.StartWithDevice();
        FrmEq &editor = rig.program.Editor();
        EditorZoom &zoom = rig.program.View().Zoom();
        const QSize design = editor.size();
        const std::vector<Design> before = DesignOf(editor);

        zoom.SetScale(2.0);
        QCOMPARE(editor.size(), design * 2);
        int placed = 0;
        for (const Design &d : before) {
            if (!PlacedByTheDesign(d.widget, editor))
                continue;
            ++placed;
            QCOMPARE(d.widget->geometry(), QRect(d.geometry.topLeft() * 2, d.geometry.size() * 2));
            QCOMPARE(d.widget->font().pointSizeF(), 2 * d.font.pointSizeF());
        }
        QVERIFY(placed > 200);
        QCOMPARE(editor.Picture1[0]->size(), QSize(ResponseGraph::Width * 2, ResponseGraph::Height * 2));

        for (double scale = 1.0; scale < EditorZoom::Largest; scale = EditorZoom::StepUp(scale))
            zoom.SetScale(scale);
        for (double scale = EditorZoom::Largest; scale > EditorZoom::Smallest; scale = EditorZoom::StepDown(scale))
            zoom.SetScale(scale);
        zoom.SetScale(1.0);
        QCOMPARE(editor.size(), design);
        for (const Design &d : before) {
            QCOMPARE(d.widget->geometry(), d.geometry);
            QCOMPARE(d.widget->font(), d.font);
        }
        QVERIFY(rig.Writes().isEmpty());
    }

    // The curve is drawn at the scaled size and the screen's pixel ratio:
    // one picture pixel to each device pixel, and the same curve.
    void curvesAreDrawnAtTheScaledSize()
    {
        ProgramRig rig;
        rig.StartWithDevice();
        GraphPicture *picture = rig.program.Editor().Picture1[0];
        const QImage design = picture->grab().toImage();
        rig.program.View().Zoom().SetScale(2.0);
        const QImage zoomed = picture->grab().toImage();
        QCOMPARE(rig.program.Graph().Picture(0).size(), zoomed.size());
        QCOMPARE(zoomed.size(), design.size() * 2);
        // Every curve pixel of the design has its curve pixels at twice the place.
        const QRgb curve = design.pixel(rig.program.Graph().CurvePoints(0).front());
        int matched = 0;
        for (const QPoint &p : rig.program.Graph().CurvePoints(0)) {
            if (p.x() < 0 || p.y() < 0 || p.x() >= design.width() || p.y() >= design.height())
                continue;
            const QRect around(p * 2 - QPoint(1, 1), QSize(3, 3));
            for (int y = around.top(); y <= around.bottom(); ++y)
                for (int x = around.left(); x <= around.right(); ++x)
                    if (zoomed.rect().contains(x, y) && zoomed.pixel(x, y) == curve) {
                        ++matched;
                        y = around.bottom() + 1;
                        break;
                    }
        }
        QVERIFY2(matched > 700, qPrintable(QString::number(matched)));
    }

    // "Fit to window" fills the main window's area (at least 90 % of its
    // width or height) and follows it as the window changes size; a zoom
    // step ends it. A scroll bar scaled up still steps with a click on its
    // arrow and sends that step's frame.
    void fitToWindowFillsTheAreaAndFollowsIt_data()
    {
        QTest::addColumn<QSize>("mainSize");
        QTest::newRow("1600x1000") << QSize(1600, 1000);
        QTest::newRow("1366x768 at 1.25") << QSize(1093, 614);
        QTest::newRow("800x600") << QSize(800, 600);
    }
    void fitToWindowFillsTheAreaAndFollowsIt()
    {
        QFETCH(QSize, mainSize);
        ProgramRig rig;
        rig.StartWithDevice();
        MdiFrmMain &main = rig.program.MainWindow();
        main.showNormal();
        main.resize(mainSize);
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        StageView &view = rig.program.View();
        QCOMPARE(view.ScaleAction->text(), QStringLiteral("Scale: 100%"));
        const int barHeight = main.Toolbar1->height();
        const QRect viewButton = main.ViewButton->geometry();
        const double buttonFont = main.ViewButton->font().pointSizeF();
        view.FitAction->trigger();
        QVERIFY(view.Fit());
        // The editor fills the area, and the button bar above it takes the
        // editor's scale, which the menu shows.
        const auto fills = [&] {
            const QSize area = main.MdiArea->viewport()->size();
            const QRect editor = main.EditorWindow->geometry();
            const double scale = view.Zoom().Scale();
            return main.MdiArea->viewport()->rect().contains(editor)
                   && main.MdiArea->geometry().top() > main.Toolbar1->geometry().bottom()
                   && (editor.width() >= 0.9 * area.width() || editor.height() >= 0.9 * area.height())
                   && main.Toolbar1->height() == qRound(barHeight * scale)
                   && main.ViewButton->geometry().right() == qRound((viewButton.right() + 1) * scale) - 1
                   && qAbs(main.ViewButton->font().pointSizeF() - buttonFont * scale) < 0.01
                   && view.ScaleAction->text() == QStringLiteral("Scale: %1%").arg(qRound(scale * 100));
        };
        QVERIFY(fills());
        QVERIFY(view.Zoom().Scale() != 1.0);
        main.resize(mainSize + QSize(200, 150));
        QTRY_VERIFY(fills());

        QScrollBar *gain = rig.program.Editor().HScroll20[11];
        const int value = gain->value();
        QTest::mouseClick(gain, Qt::LeftButton, {}, PointOn(*gain, QStyle::SC_ScrollBarSubLine, false));
        QCOMPARE(gain->value(), value - 1);
        QCOMPARE(rig.Writes().size(), 1);

        rig.program.View().ZoomOutAction->trigger();
        QVERIFY(!rig.program.View().Fit());
        QVERIFY(!rig.program.View().FitAction->isChecked());
    }

    // Ctrl+plus, Ctrl+minus and Ctrl+0 step the scale from anywhere in the
    // main window; the choice comes back in the next session, and so does
    // the dark look chosen in the menu.
    void keysStepTheScaleAndTheChoiceIsKept()
    {
        QTemporaryDir folder;
        const QString settings = folder.filePath(QStringLiteral("view.ini"));
        {
            ProgramRig rig(settings);
            rig.StartWithDevice();
            MdiFrmMain &main = rig.program.MainWindow();
            main.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&main));
            rig.program.Editor().HScroll20[0]->setFocus();
            EditorZoom &zoom = rig.program.View().Zoom();
            QTest::keyClick(rig.program.Editor().HScroll20[0], Qt::Key_Plus, Qt::ControlModifier);
            QCOMPARE(zoom.Scale(), 1.1);
            QTest::keyClick(rig.program.Editor().HScroll20[0], Qt::Key_Equal, Qt::ControlModifier);
            QCOMPARE(zoom.Scale(), 1.25);
            QTest::keyClick(&main, Qt::Key_Minus, Qt::ControlModifier);
            QCOMPARE(zoom.Scale(), 1.1);
            QTest::keyClick(&main, Qt::Key_0, Qt::ControlModifier);
            QCOMPARE(zoom.Scale(), 1.0);
            rig.program.View().ZoomInAction->trigger();
            rig.program.View().ZoomInAction->trigger();
            QCOMPARE(zoom.Scale(), 1.25);
            rig.program.View().DarkAction->trigger();
            QVERIFY(rig.program.DarkLook());
            QVERIFY(rig.Writes().isEmpty());
        }
        ProgramRig again(settings);
        again.StartWithDevice();
        QCOMPARE(again.program.View().Zoom().Scale(), 1.25);
        QVERIFY(again.program.DarkLook());
        QVERIFY(again.program.View().DarkAction->isChecked());
        again.program.View().DarkAction->trigger();
        QVERIFY(!again.program.DarkLook());
        QCOMPARE(again.program.Editor().size(), QSize(qRound(1049 * 1.25), qRound(563 * 1.25)));
    }

    // A kept scale that is no number, or one out of range, as a hand-edited
    // or damaged settings file may hold, starts at a scale the editor has.
    void keptScaleIsTakenOnlyWithinRange_data()
    {
        QTest::addColumn<QByteArray>("kept");
        QTest::addColumn<double>("scale");
        QTest::newRow("in range") << QByteArray("1.5") << 1.5;
        QTest::newRow("too large") << QByteArray("7") << 3.0;
        QTest::newRow("too small") << QByteArray("0.1") << 0.5;
        QTest::newRow("not a number") << QByteArray("nan") << 1.0;
        QTest::newRow("infinite") << QByteArray("inf") << 1.0;
        QTest::newRow("text") << QByteArray("loud") << 1.0;
    }
    void keptScaleIsTakenOnlyWithinRange()
    {
        QFETCH(QByteArray, kept);
        QFETCH(double, scale);
        QTemporaryDir folder;
        const QString settings = folder.filePath(QStringLiteral("view.ini"));
        QFile file(settings);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[View]\nScale=" + kept + "\n");
        file.close();
        ProgramRig rig(settings);
        rig.StartWithDevice();
        QCOMPARE(rig.program.View().Zoom().Scale(), scale);
        QCOMPARE(rig.program.Editor().size(), QSize(qRound(1049 * scale), qRound(563 * scale)));
    }

    // "Save line trace..." writes what the trace keeps: every frame start-up
    // sent, in order, each with its answer; a file that cannot be written is
    // said, and an earlier file there stays.
    void saveLineTraceWritesEveryFrameOfStartUp()
    {
        ProgramRig rig;
        rig.port.AttachDevice(1, &rig.device);
        rig.Start();
        const QString path = rig.folder.filePath(QStringLiteral("trace.txt"));
        rig.dialogs.saveFileNames << path;
        rig.program.View().SaveTraceAction->trigger();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray saved = file.readAll();
        file.close();
        QCOMPARE(saved, rig.program.Link().Trace().Text());

        QList<QByteArray> sent;
        int answers = 0;
        for (const QByteArray &line : saved.split('\n')) {
            if (const qsizetype at = line.indexOf(" sent: "); at >= 0)
                sent << QByteArray::fromHex(line.mid(at + 7, 29));
            answers += line.contains(" answer: ") ? 1 : 0;
        }
        QList<QByteArray> received;
        for (const Frame &frame : rig.device.ReceivedFrames())
            received << FrameBytes(frame);
        QVERIFY2(received.size() > 10, qPrintable(QString::number(received.size())));
        QCOMPARE(sent, received);
        QCOMPARE(answers, received.size());

        const qsizetype messages = rig.dialogs.messages.size();
        rig.dialogs.saveFileNames << path + QStringLiteral("/inside-a-file.txt");
        rig.program.View().SaveTraceAction->trigger();
        QCOMPARE(rig.dialogs.messages.size(), messages + 1);
        QVERIFY2(rig.dialogs.messages.last().text.startsWith(
                     QStringLiteral(" The line trace could not be saved to inside-a-file.txt: ")),
                 qPrintable(rig.dialogs.messages.last().text));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), saved);
    }
};

QTEST_MAIN(StageViewTest)
#include "tst_stageview.moc"
