// The response graph: the grid, the pixels of the drawn curves, which picture
// a redraw touches, stray mirror values, and the widget that shows a picture.

#include "graph/GraphPicture.h"
#include "graph/ResponseGraph.h"
#include "core/PresetValues.h"
#include "core/Tables.h"

#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

using namespace ksr;

namespace {

constexpr QRgb White = qRgb(255, 255, 255);
constexpr QRgb Grey = qRgb(178, 178, 178);
constexpr std::array<QRgb, 2> CurveColour = {qRgb(255, 0, 0), qRgb(0, 0, 255)};
constexpr int KiloIndex = 413; // 1003 Hz
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

std::size_t At(int i)
{
    return static_cast<std::size_t>(i);
}

// Every notch at 247.9 Hz, 0 dB, width "1/10", as the flat preset has them.
PresetValues FlatState()
{
    PresetValues state;
    state.NotchFreqHz.fill(247.9);
    state.NotchWidthIndex.fill(2.0);
    return state;
}

void SetNotch(PresetValues &state, int filter, double hz, double db, double width)
{
    state.NotchFreqHz[At(filter)] = hz;
    state.NotchGainDb[At(filter)] = db;
    state.NotchWidthIndex[At(filter)] = width;
}

void RedrawFilters(ResponseGraph &graph, int channel)
{
    for (int row = 0; row < FiltersPerChannel; ++row)
        graph.RedrawChannel(channel * FiltersPerChannel + row);
}

// Whether row y of the picture carries the curve colour anywhere.
bool RowHasCurve(const QImage &picture, int y, int channel)
{
    for (int x = 0; x < picture.width(); ++x)
        if (picture.pixel(x, y) == CurveColour[At(channel)])
            return true;
    return false;
}

// A gain whose level is exactly `y`, searched among the doubles next to the
// one the straight inversion gives.
std::optional<double> GainLandingOn(double y)
{
    double g = (31.826666514078777 - y) / 3.183333333333333;
    for (int i = 0; i < 64; ++i) {
        if (ResponseGraph::LevelY(g) == y)
            return g;
        g = std::nextafter(g, ResponseGraph::LevelY(g) < y ? -1e9 : 1e9); // level falls as gain rises
    }
    return std::nullopt;
}

// Counts the paint events of the widget it watches.
class PaintCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

class GraphTest : public QObject {
    Q_OBJECT
private slots:
    void gridIsWhiteWithGreyLinesAtTheListedPixels()
    {
        const std::vector<int> columns = {0,   34,  58,  76,  91,  104, 115, 125, 134, 192,
                                          225, 249, 268, 283, 296, 307, 317, 326, 383, 417,
                                          441, 460, 475, 488, 499, 509, 517, 575};
        const std::vector<int> rows = {0, 32, 64, 95, 127, 159, 191};
        QCOMPARE(ResponseGraph::GridColumns(), columns);
        QCOMPARE(ResponseGraph::GridRows(), rows);

        const QImage grid = ResponseGraph::GridImage();
        QCOMPARE(grid.size(), QSize(576, 192));
        QCOMPARE(grid.format(), QImage::Format_RGB32);
        for (int y = 0; y < grid.height(); ++y)
            for (int x = 0; x < grid.width(); ++x) {
                const bool onLine = std::count(rows.begin(), rows.end(), y) + std::count(columns.begin(), columns.end(), x) > 0;
                if (grid.pixel(x, y) != (onLine ? Grey : White))
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
            }
    }

    // Every pixel of two busy curves, steep and clipped dips and boosts among
    // them, against pictures kept in tests/data, at scale 1 and as drawn for
    // a screen scaled twice. KSR704_UPDATE_REFERENCES=1 writes the pictures
    // instead, after a deliberate change of the drawing.
    void busyCurvesMatchTheirReferencePictures_data()
    {
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("scale 1") << qreal(1.0) << "";
        QTest::newRow("scale 2") << qreal(2.0) << "@2x";
    }
    void busyCurvesMatchTheirReferencePictures()
    {
        QFETCH(qreal, ratio);
        QFETCH(QString, suffix);
        PresetValues state = FlatState();
        const std::array<double, 4> widths = {0.0, 1.0, 2.0, 3.0};
        for (int f = 0; f < FilterCount; ++f)
            SetNotch(state, f, FreqTable[At((f * 131 + 17) % FrequencyCount)], f % 3 == 0 ? 12.0 - f : -3.0 * f,
                     widths[At(f % 4)]);
        SetNotch(state, 5, 1003.0, -45.0, 0.0);
        SetNotch(state, 6, 1003.0, -45.0, 0.0);
        ResponseGraph graph(state);
        RedrawFilters(graph, 0);
        RedrawFilters(graph, 1);
        graph.SetDevicePixelRatio(ratio);

        for (int channel = 0; channel < 2; ++channel) {
            const QString path =
                QStringLiteral(KSR704_TEST_DATA "/curve-%1%2.png").arg(channel == 0 ? "left" : "right", suffix);
            const QImage &picture = graph.Picture(channel);
            if (qEnvironmentVariableIsSet("KSR704_UPDATE_REFERENCES")) {
                QVERIFY(picture.save(path));
                continue;
            }
            QImage reference(path);
            QVERIFY2(!reference.isNull(), qPrintable(path));
            reference = reference.convertToFormat(picture.format());
            QCOMPARE(reference.size(), picture.size());
            QCOMPARE(picture.size(), QSize(ResponseGraph::Width, ResponseGraph::Height) * ratio);
            int differing = 0;
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    differing += reference.pixel(x, y) != picture.pixel(x, y);
            QCOMPARE(differing, 0);
        }
    }

    void flatChannelIsALineAtZeroDb_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<double>("width");
        QTest::newRow("Left, 1/70") << 0 << 0.0;
        QTest::newRow("Left, 1/5") << 0 << 3.0;
        QTest::newRow("Right, 1/10") << 1 << 2.0;
    }
    void flatChannelIsALineAtZeroDb()
    {
        QFETCH(int, channel);
        QFETCH(double, width);
        PresetValues state = FlatState();
        state.NotchWidthIndex.fill(width);
        ResponseGraph graph(state);
        RedrawFilters(graph, channel);

        const std::vector<QPoint> &points = graph.CurvePoints(channel);
        QCOMPARE(points.size(), std::size_t{730});
        QCOMPARE(points.front(), QPoint(0, 32));
        QCOMPARE(points.back(), QPoint(575, 32));
        for (const QPoint &p : points)
            QCOMPARE(p.y(), 32);
        const QImage &picture = graph.Picture(channel);
        for (int x = 0; x < ResponseGraph::Width; ++x)
            QCOMPARE(picture.pixel(x, 32), CurveColour[At(channel)]);
        for (int y = 0; y < ResponseGraph::Height; ++y)
            QCOMPARE(RowHasCurve(picture, y, channel), y == 32);
    }

    void singleDipAtOneKilohertz_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<int>("d");
        QTest::addColumn<QPoint>("point");
        for (int filter : {0, 7, 12, 23}) {
            const QByteArray name = "filter " + QByteArray::number(filter);
            QTest::newRow(name + ", bottom") << filter << 413 << QPoint(326, 175);
            QTest::newRow(name + ", one below") << filter << 412 << QPoint(325, 63);
            QTest::newRow(name + ", one above") << filter << 414 << QPoint(327, 65);
            QTest::newRow(name + ", six below") << filter << 407 << QPoint(321, 33);
            QTest::newRow(name + ", six above") << filter << 419 << QPoint(331, 33);
            QTest::newRow(name + ", far below") << filter << 300 << QPoint(236, 32);
        }
    }
    void singleDipAtOneKilohertz()
    {
        QFETCH(int, filter);
        QFETCH(int, d);
        QFETCH(QPoint, point);
        PresetValues state = FlatState();
        SetNotch(state, filter, 1003.0, -45.0, 0.0);
        ResponseGraph graph(state);
        const int channel = filter / FiltersPerChannel;
        RedrawFilters(graph, channel);

        QCOMPARE(graph.ChannelResponseDb(KiloIndex, channel), -45.0);
        QCOMPARE(graph.CurvePoints(channel)[At(d)], point);
        QCOMPARE(graph.Picture(channel).pixel(point), CurveColour[At(channel)]);
    }

    void twoDipsAtOneFrequencyAreClippedAtTheBottom()
    {
        PresetValues state = FlatState();
        SetNotch(state, 2, 1003.0, -30.0, 0.0);
        SetNotch(state, 9, 1003.0, -30.0, 0.0);
        ResponseGraph graph(state);
        RedrawFilters(graph, 0);

        QCOMPARE(graph.ChannelResponseDb(KiloIndex, 0), -60.0);
        QCOMPARE(graph.CurvePoints(0)[KiloIndex], QPoint(326, 223));
        // The segments into and out of the dip run down to the last row.
        QVERIFY(RowHasCurve(graph.Picture(0), 191, 0));
    }

    void sumKeepsTheColumnsOfFiltersNotRedrawn()
    {
        PresetValues state = FlatState();
        SetNotch(state, 4, 1003.0, -10.0, 2.0);
        ResponseGraph graph(state);
        graph.RedrawChannel(4);
        state.NotchGainDb[4] = -40.0;
        graph.RedrawChannel(5);
        QCOMPARE(graph.FilterResponseDb(KiloIndex, 4), -10.0);
        QCOMPARE(graph.ChannelResponseDb(KiloIndex, 0), -10.0);
        graph.RedrawChannel(4);
        QCOMPARE(graph.ChannelResponseDb(KiloIndex, 0), -40.0);
        SetNotch(state, 16, 1003.0, -5.0, 2.0);
        graph.RedrawChannel(16);
        QCOMPARE(graph.ChannelResponseDb(KiloIndex, 0), -40.0);
        QCOMPARE(graph.ChannelResponseDb(KiloIndex, 1), -5.0);
    }

    void redrawClearsAndDrawsOnlyItsChannel_data()
    {
        QTest::addColumn<int>("filter");
        QTest::newRow("Right 12") << 12;
        QTest::newRow("Right 23") << 23;
        QTest::newRow("Left 0") << 0;
        QTest::newRow("Left 11") << 11;
    }
    void redrawClearsAndDrawsOnlyItsChannel()
    {
        QFETCH(int, filter);
        const int channel = filter / FiltersPerChannel;
        const int other = 1 - channel;
        PresetValues state = FlatState();
        SetNotch(state, filter, 1003.0, -45.0, 0.0);
        SetNotch(state, 12 * other + 5, 5000.0, -35.0, 1.0);
        ResponseGraph graph(state);
        RedrawFilters(graph, 0);
        RedrawFilters(graph, 1);
        const QImage otherBefore = graph.Picture(other).copy();

        state.NotchGainDb[At(filter)] = 0.0;
        QSignalSpy spy(&graph, &ResponseGraph::ChannelRedrawn);
        graph.RedrawChannel(filter);

        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), channel);
        QCOMPARE(graph.Picture(other), otherBefore);
        // The dip is gone from the picture, not drawn over: a flat line is left.
        for (int y = 0; y < ResponseGraph::Height; ++y)
            QCOMPARE(RowHasCurve(graph.Picture(channel), y, channel), y == 32);
    }

    void redrawBothAfterStartDrawsTwoFlatLines()
    {
        PresetValues state;
        ResponseGraph graph(state);
        QSignalSpy spy(&graph, &ResponseGraph::ChannelRedrawn);
        graph.RedrawBothChannels();

        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toInt(), 0);
        QCOMPARE(spy.at(1).at(0).toInt(), 1);
        for (int c = 0; c < 2; ++c) {
            QCOMPARE(graph.CurvePoints(c).size(), std::size_t{730});
            for (int y = 0; y < ResponseGraph::Height; ++y) {
                QCOMPARE(RowHasCurve(graph.Picture(c), y, c), y == 32);
                QVERIFY(!RowHasCurve(graph.Picture(c), y, 1 - c));
            }
        }
    }

    void redrawBothDrawsFromTheSumsNotTheMirror()
    {
        PresetValues state = FlatState();
        SetNotch(state, 6, 342.5, -18.0, 2.0);
        SetNotch(state, 20, 8000.0, -40.0, 3.0);
        ResponseGraph graph(state);
        RedrawFilters(graph, 0);
        RedrawFilters(graph, 1);
        const QImage left = graph.Picture(0).copy();
        const QImage right = graph.Picture(1).copy();

        state.NotchGainDb.fill(-45.0);
        graph.RedrawBothChannels();
        QCOMPARE(graph.Picture(0), left);
        QCOMPARE(graph.Picture(1), right);
    }

    void coordinatesRoundHalvesToEven_data()
    {
        const double inf = std::numeric_limits<double>::infinity();
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("pixel");
        QTest::newRow("0.5") << 0.5 << 0;
        QTest::newRow("1.5") << 1.5 << 2;
        QTest::newRow("2.5") << 2.5 << 2;
        QTest::newRow("-0.5") << -0.5 << 0;
        QTest::newRow("-1.5") << -1.5 << -2;
        QTest::newRow("just above 2.5") << 2.5000000000000004 << 3;
        QTest::newRow("huge") << 1e300 << 100000;
        QTest::newRow("minus infinity") << -inf << -100000;
        QTest::newRow("NaN") << NaN << 0;
    }
    void coordinatesRoundHalvesToEven()
    {
        QFETCH(double, value);
        QFETCH(int, pixel);
        QCOMPARE(ResponseGraph::PixelCoordinate(value), pixel);
    }

    void curveExactlyOnAHalfPixelGoesToEven_data()
    {
        QTest::addColumn<double>("level");
        QTest::addColumn<int>("y");
        QTest::newRow("32.5") << 32.5 << 32;
        QTest::newRow("33.5") << 33.5 << 34;
        QTest::newRow("101.5") << 101.5 << 102;
    }
    void curveExactlyOnAHalfPixelGoesToEven()
    {
        QFETCH(double, level);
        QFETCH(int, y);
        const std::optional<double> gain = GainLandingOn(level);
        QVERIFY(gain.has_value());
        PresetValues state = FlatState();
        SetNotch(state, 12, 1003.0, *gain, 0.0);
        ResponseGraph graph(state);
        RedrawFilters(graph, 1);
        QCOMPARE(graph.ChannelResponseDb(KiloIndex, 1), *gain);
        QCOMPARE(graph.CurvePoints(1)[KiloIndex], QPoint(326, y));
    }

    void strayMirrorValuesGiveSanePoints_data()
    {
        QTest::addColumn<double>("hz");
        QTest::addColumn<double>("gain");
        QTest::addColumn<double>("width");
        QTest::addColumn<int>("bottomY"); // y at 1003 Hz
        QTest::newRow("never set") << 0.0 << 0.0 << 0.0 << 32;
        QTest::newRow("no frequency, deep gain") << 0.0 << -45.0 << 0.0 << 32;
        QTest::newRow("negative frequency") << -1003.0 << -45.0 << 0.0 << 32;
        QTest::newRow("NaN frequency") << NaN << -45.0 << 0.0 << 32;
        QTest::newRow("width above range") << 1003.0 << -45.0 << 9.0 << 175;
        QTest::newRow("NaN width") << 1003.0 << -45.0 << NaN << 175;
        QTest::newRow("huge gain") << 1003.0 << -1e300 << 0.0 << 100000;
    }
    void strayMirrorValuesGiveSanePoints()
    {
        QFETCH(double, hz);
        QFETCH(double, gain);
        QFETCH(double, width);
        QFETCH(int, bottomY);
        PresetValues state; // every other filter never set: 0 Hz, 0 dB
        SetNotch(state, 5, hz, gain, width);
        ResponseGraph graph(state);
        for (int filter = 0; filter < FilterCount; ++filter)
            graph.RedrawChannel(filter);

        for (int c = 0; c < 2; ++c) {
            QCOMPARE(graph.CurvePoints(c).size(), std::size_t{730});
            QCOMPARE(graph.CurvePoints(c).back().x(), 575);
            for (const QPoint &p : graph.CurvePoints(c))
                QVERIFY(std::abs(p.y()) <= 100000);
        }
        QCOMPARE(graph.CurvePoints(0)[KiloIndex].y(), bottomY);
        QCOMPARE(graph.CurvePoints(1)[KiloIndex].y(), 32);
    }

    void widthOutsideTheTableActsAsTheNearestWidth_data()
    {
        QTest::addColumn<double>("stray");
        QTest::addColumn<double>("valid");
        QTest::newRow("above") << 7.0 << 3.0;
        QTest::newRow("below") << -2.0 << 0.0;
    }
    void widthOutsideTheTableActsAsTheNearestWidth()
    {
        QFETCH(double, stray);
        QFETCH(double, valid);
        PresetValues state = FlatState();
        SetNotch(state, 8, 2000.0, -30.0, stray);
        ResponseGraph strayGraph(state);
        strayGraph.RedrawChannel(8);
        state.NotchWidthIndex[8] = valid;
        ResponseGraph validGraph(state);
        validGraph.RedrawChannel(8);
        QCOMPARE(strayGraph.Picture(0), validGraph.Picture(0));
        QCOMPARE(strayGraph.FilterResponseDb(500, 8), validGraph.FilterResponseDb(500, 8));
    }

    void pictureWidgetShowsTheLastDrawing_data()
    {
        QTest::addColumn<int>("channel");
        QTest::newRow("Left") << 0;
        QTest::newRow("Right") << 1;
    }
    void pictureWidgetShowsTheLastDrawing()
    {
        QFETCH(int, channel);
        PresetValues state = FlatState();
        ResponseGraph graph(state);
        GraphPicture widget(graph, channel);
        QCOMPARE(widget.size(), QSize(576, 192));
        QCOMPARE(widget.minimumSize(), widget.maximumSize());

        const auto shown = [&widget] { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); };
        QCOMPARE(shown(), ResponseGraph::GridImage());
        SetNotch(state, channel * 12 + 3, 630.0, -33.0, 1.0);
        RedrawFilters(graph, channel);
        QCOMPARE(shown(), graph.Picture(channel));
    }

    void pictureWidgetRepaintsWhenItsChannelIsRedrawn()
    {
        PresetValues state = FlatState();
        ResponseGraph graph(state);
        GraphPicture left(graph, 0);
        GraphPicture right(graph, 1);
        PaintCounter leftPaints;
        PaintCounter rightPaints;
        left.installEventFilter(&leftPaints);
        right.installEventFilter(&rightPaints);
        left.show();
        right.show();
        QVERIFY(QTest::qWaitForWindowExposed(&left));
        QVERIFY(QTest::qWaitForWindowExposed(&right));
        QCoreApplication::processEvents();
        leftPaints.count = rightPaints.count = 0;

        // A pending update is a posted event, delivered by one pass of the loop.
        graph.RedrawChannel(14);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QCOMPARE(leftPaints.count, 0);
        QVERIFY(rightPaints.count > 0);
    }
};

QTEST_MAIN(GraphTest)
#include "tst_graph.moc"
