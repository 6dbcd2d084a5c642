// The response graph: the grid, each filter's dip and the channel sums, the
// pixels of the drawn curves, which picture a redraw touches, stray mirror
// values, and the widget that shows a picture.

#include "graph/GraphPicture.h"
#include "graph/ResponseGraph.h"
#include "model/State.h"
#include "model/Tables.h"

#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>

using namespace ksr;

namespace {

constexpr QRgb White = qRgb(255, 255, 255);
constexpr QRgb Grey = qRgb(178, 178, 178);
constexpr QRgb Red = qRgb(255, 0, 0);
constexpr QRgb Blue = qRgb(0, 0, 255);
constexpr int FlatIndex = 266; // 247.9 Hz, where the flat preset puts every notch
constexpr int KiloIndex = 413; // 1003 Hz

std::size_t At(int i)
{
    return static_cast<std::size_t>(i);
}

// Every notch at 247.9 Hz, 0 dB, width "1/10", as after loading the flat preset.
std::unique_ptr<AppState> FlatState()
{
    auto state = std::make_unique<AppState>();
    state->NotchFreqHz.fill(FreqTable[FlatIndex]);
    state->NotchGainDb.fill(0.0);
    state->NotchWidthIndex.fill(2.0);
    return state;
}

void RedrawFilters(ResponseGraph &graph, int channel)
{
    for (int row = 0; row < FiltersPerChannel; ++row)
        graph.RedrawChannel(channel * FiltersPerChannel + row);
}

QRgb CurveColour(int channel)
{
    return channel == 0 ? Red : Blue;
}

// The gain whose level lands exactly on `y` at a grid point, if there is one
// within a few steps of the nearest double.
std::optional<double> GainLandingOn(double y)
{
    double g = (31.826666514078777 - y) / 3.183333333333333;
    for (int i = 0; i < 64; ++i) {
        if (ResponseGraph::LevelY(g) == y)
            return g;
        // The level falls as the gain rises.
        g = ResponseGraph::LevelY(g) < y ? std::nextafter(g, -1e9) : std::nextafter(g, 1e9);
    }
    return std::nullopt;
}

// Counts the paint events its watched widget receives.
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
    void gridLinesSitAtTheirFrequenciesAndLevels()
    {
        const std::vector<int> columns = {0,   34,  58,  76,  91,  104, 115, 125, 134, 192,
                                          225, 249, 268, 283, 296, 307, 317, 326, 383, 417,
                                          441, 460, 475, 488, 499, 509, 517, 575};
        const std::vector<int> rows = {0, 32, 64, 95, 127, 159, 191};
        QCOMPARE(ResponseGraph::GridColumns(), columns);
        QCOMPARE(ResponseGraph::GridRows(), rows);
    }

    void gridImageIsWhiteWithGreyLines()
    {
        const QImage grid = ResponseGraph::GridImage();
        QCOMPARE(grid.size(), QSize(576, 192));
        QCOMPARE(grid.format(), QImage::Format_RGB32);
        const std::vector<int> columns = ResponseGraph::GridColumns();
        const std::vector<int> rows = ResponseGraph::GridRows();
        for (int y = 0; y < grid.height(); ++y) {
            const bool onRow = std::find(rows.begin(), rows.end(), y) != rows.end();
            for (int x = 0; x < grid.width(); ++x) {
                const bool onColumn = std::find(columns.begin(), columns.end(), x) != columns.end();
                const QRgb expected = onRow || onColumn ? Grey : White;
                if (grid.pixel(x, y) != expected)
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) is %3").arg(x).arg(y).arg(grid.pixel(x, y), 0, 16)));
            }
        }
    }

    void picturesStartAsTheGridWithNoCurve()
    {
        AppState state;
        ResponseGraph graph(state);
        const QImage grid = ResponseGraph::GridImage();
        for (int c = 0; c < 2; ++c) {
            QCOMPARE(graph.Picture(c), grid);
            QVERIFY(graph.CurvePoints(c).empty());
        }
        QCOMPARE(graph.FilterResponseDb(0, 0), 0.0);
        QCOMPARE(graph.ChannelResponseDb(729, 1), 0.0);
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
        auto state = FlatState();
        state->NotchWidthIndex.fill(width);
        ResponseGraph graph(*state);
        RedrawFilters(graph, channel);

        const std::vector<QPoint> &points = graph.CurvePoints(channel);
        QCOMPARE(points.size(), std::size_t{730});
        QCOMPARE(points.front(), QPoint(0, 32));
        QCOMPARE(points.back(), QPoint(575, 32));
        for (int d = 0; d < FrequencyCount; ++d) {
            QCOMPARE(graph.ChannelResponseDb(d, channel), 0.0);
            QCOMPARE(points[At(d)].y(), 32);
            if (d > 0)
                QVERIFY(points[At(d)].x() >= points[At(d - 1)].x());
        }
        const QImage &picture = graph.Picture(channel);
        for (int x = 0; x < ResponseGraph::Width; ++x) {
            QCOMPARE(picture.pixel(x, 32), CurveColour(channel));
            QVERIFY(picture.pixel(x, 31) != CurveColour(channel));
            QVERIFY(picture.pixel(x, 33) != CurveColour(channel));
        }
        // The first segment, from (-10, 0), lies left of the picture but for
        // its end point: column 0 above the curve is still the grid line.
        for (int y = 0; y < 32; ++y)
            QCOMPARE(picture.pixel(0, y), Grey);
    }

    void singleDipAtOneKilohertz_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<int>("d");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        for (int filter : {0, 7, 12, 23}) {
            const QByteArray name = "filter " + QByteArray::number(filter);
            QTest::newRow(name + ", bottom") << filter << 413 << 326 << 175;
            QTest::newRow(name + ", one below") << filter << 412 << 325 << 63;
            QTest::newRow(name + ", one above") << filter << 414 << 327 << 65;
            QTest::newRow(name + ", six below") << filter << 407 << 321 << 33;
            QTest::newRow(name + ", six above") << filter << 419 << 331 << 33;
        }
    }
    void singleDipAtOneKilohertz()
    {
        QFETCH(int, filter);
        QFETCH(int, d);
        QFETCH(int, x);
        QFETCH(int, y);
        auto state = FlatState();
        state->NotchFreqHz[At(filter)] = FreqTable[KiloIndex];
        state->NotchGainDb[At(filter)] = -45.0;
        state->NotchWidthIndex[At(filter)] = 0.0;
        ResponseGraph graph(*state);
        const int channel = filter / FiltersPerChannel;
        RedrawFilters(graph, channel);

        QCOMPARE(graph.FilterResponseDb(KiloIndex, filter), -45.0);
        QCOMPARE(graph.ChannelResponseDb(KiloIndex, channel), -45.0);
        QCOMPARE(graph.CurvePoints(channel)[At(d)], QPoint(x, y));
        QCOMPARE(graph.Picture(channel).pixel(x, y), CurveColour(channel));
        // Far from the dip the curve is flat again.
        QCOMPARE(graph.CurvePoints(channel)[300].y(), 32);
        QCOMPARE(graph.CurvePoints(channel)[600].y(), 32);
    }

    void dipIsSymmetricInLogFrequency()
    {
        // Centred on the geometric mean of two grid points, a dip is as deep
        // at the one as at the other, and at its centre it is the full gain.
        const int below = 340; // 501 Hz
        const int above = 486; // 2008 Hz
        auto state = FlatState();
        state->NotchFreqHz[3] = std::sqrt(FreqTable[below] * FreqTable[above]);
        state->NotchGainDb[3] = -20.0;
        state->NotchWidthIndex[3] = 3.0;
        state->NotchFreqHz[4] = FreqTable[KiloIndex];
        state->NotchGainDb[4] = -12.5;
        ResponseGraph graph(*state);
        graph.RedrawChannel(3);
        graph.RedrawChannel(4);
        QCOMPARE(graph.FilterResponseDb(below, 3), graph.FilterResponseDb(above, 3));
        QVERIFY(graph.FilterResponseDb(below, 3) < -0.1);
        QVERIFY(graph.FilterResponseDb(below, 3) > -20.0);
        QCOMPARE(graph.FilterResponseDb(KiloIndex, 4), -12.5);
        // Further from the centre, shallower.
        QVERIFY(graph.FilterResponseDb(below - 40, 3) > graph.FilterResponseDb(below, 3));
        QVERIFY(graph.FilterResponseDb(above + 40, 3) > graph.FilterResponseDb(above, 3));
        // The same dip one width step narrower is shallower off its centre.
        state->NotchFreqHz[5] = state->NotchFreqHz[3];
        state->NotchGainDb[5] = -20.0;
        state->NotchWidthIndex[5] = 2.0;
        graph.RedrawChannel(5);
        QVERIFY(graph.FilterResponseDb(below, 5) > graph.FilterResponseDb(below, 3));
        QVERIFY(graph.FilterResponseDb(above, 5) > graph.FilterResponseDb(above, 3));
    }

    void twoDipsAtOneFrequencyFallBelowThePicture()
    {
        auto state = FlatState();
        for (int filter : {2, 9}) {
            state->NotchFreqHz[At(filter)] = FreqTable[KiloIndex];
            state->NotchGainDb[At(filter)] = -30.0;
            state->NotchWidthIndex[At(filter)] = 0.0;
        }
        ResponseGraph graph(*state);
        RedrawFilters(graph, 0);

        QCOMPARE(graph.ChannelResponseDb(KiloIndex, 0), -60.0);
        QCOMPARE(graph.CurvePoints(0)[KiloIndex], QPoint(326, 223));
        // The segments into and out of the bottom are drawn down to the last
        // row and clipped there.
        const QImage &picture = graph.Picture(0);
        bool bottomRowReached = false;
        for (int x = 320; x <= 332; ++x)
            bottomRowReached = bottomRowReached || picture.pixel(x, 191) == Red;
        QVERIFY(bottomRowReached);
        QCOMPARE(picture.size(), QSize(576, 192));
    }

    void sumKeepsColumnsOfFiltersNotRedrawn()
    {
        auto state = FlatState();
        state->NotchFreqHz[4] = FreqTable[KiloIndex];
        state->NotchGainDb[4] = -10.0;
        ResponseGraph graph(*state);
        graph.RedrawChannel(4);
        // A change of filter 4 in the mirror alone reaches the curve only when
        // filter 4 is redrawn; redrawing filter 5 keeps filter 4's old column.
        state->NotchGainDb[4] = -40.0;
        graph.RedrawChannel(5);
        QCOMPARE(graph.FilterResponseDb(KiloIndex, 4), -10.0);
        QCOMPARE(graph.ChannelResponseDb(KiloIndex, 0), -10.0);
        graph.RedrawChannel(4);
        QCOMPARE(graph.ChannelResponseDb(KiloIndex, 0), -40.0);
        // Right filters never enter the Left sum.
        state->NotchFreqHz[16] = FreqTable[KiloIndex];
        state->NotchGainDb[16] = -5.0;
        graph.RedrawChannel(16);
        QCOMPARE(graph.ChannelResponseDb(KiloIndex, 0), -40.0);
        QCOMPARE(graph.ChannelResponseDb(KiloIndex, 1), -5.0);
    }

    void redrawTouchesOnlyItsChannel_data()
    {
        QTest::addColumn<int>("filter");
        QTest::newRow("Right filter 12") << 12;
        QTest::newRow("Right filter 23") << 23;
        QTest::newRow("Left filter 0") << 0;
        QTest::newRow("Left filter 11") << 11;
    }
    void redrawTouchesOnlyItsChannel()
    {
        QFETCH(int, filter);
        auto state = FlatState();
        state->NotchFreqHz[1] = 100.4;
        state->NotchGainDb[1] = -25.0;
        state->NotchFreqHz[13] = 5000.0;
        state->NotchGainDb[13] = -35.0;
        ResponseGraph graph(*state);
        RedrawFilters(graph, 0);
        RedrawFilters(graph, 1);

        const int channel = filter / FiltersPerChannel;
        const int other = 1 - channel;
        const QImage otherBefore = graph.Picture(other).copy();
        const std::vector<QPoint> otherPoints = graph.CurvePoints(other);
        const QImage ownBefore = graph.Picture(channel).copy();

        state->NotchFreqHz[At(filter)] = FreqTable[KiloIndex];
        state->NotchGainDb[At(filter)] = -45.0;
        QSignalSpy spy(&graph, &ResponseGraph::ChannelRedrawn);
        graph.RedrawChannel(filter);

        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), channel);
        QCOMPARE(graph.Picture(other), otherBefore);
        QCOMPARE(graph.CurvePoints(other), otherPoints);
        QVERIFY(graph.Picture(channel) != ownBefore);
        // The old curve is gone: the earlier dip of this channel was cleared
        // away with the picture, not drawn over.
        QCOMPARE(graph.CurvePoints(channel)[KiloIndex].y(), 175);
    }

    void redrawOfChannelClearsTheOldCurve()
    {
        auto state = FlatState();
        state->NotchFreqHz[0] = FreqTable[KiloIndex];
        state->NotchGainDb[0] = -45.0;
        ResponseGraph graph(*state);
        RedrawFilters(graph, 0);
        state->NotchGainDb[0] = 0.0;
        graph.RedrawChannel(0);

        // Flat again: only row 32 of the picture carries red.
        const QImage &picture = graph.Picture(0);
        for (int y = 0; y < ResponseGraph::Height; ++y)
            for (int x = 0; x < ResponseGraph::Width; ++x)
                QCOMPARE(picture.pixel(x, y) == Red, y == 32);
    }

    void redrawBothAfterStartDrawsTwoFlatLines()
    {
        AppState state;
        ResponseGraph graph(state);
        QSignalSpy spy(&graph, &ResponseGraph::ChannelRedrawn);
        graph.RedrawBothChannels();

        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toInt(), 0);
        QCOMPARE(spy.at(1).at(0).toInt(), 1);
        for (int c = 0; c < 2; ++c) {
            QCOMPARE(graph.CurvePoints(c).size(), std::size_t{730});
            for (const QPoint &p : graph.CurvePoints(c))
                QCOMPARE(p.y(), 32);
            const QImage &picture = graph.Picture(c);
            for (int x = 0; x < ResponseGraph::Width; ++x)
                QCOMPARE(picture.pixel(x, 32), CurveColour(c));
            QVERIFY(picture.pixel(100, 31) != Red && picture.pixel(100, 31) != Blue);
        }
    }

    void redrawBothRepeatsTheCurvesFromTheSums()
    {
        auto state = FlatState();
        state->NotchFreqHz[6] = 342.5;
        state->NotchGainDb[6] = -18.0;
        state->NotchFreqHz[20] = 8000.0;
        state->NotchGainDb[20] = -40.0;
        state->NotchWidthIndex[20] = 3.0;
        ResponseGraph graph(*state);
        RedrawFilters(graph, 0);
        RedrawFilters(graph, 1);
        const std::array<QImage, 2> before = {graph.Picture(0).copy(), graph.Picture(1).copy()};
        const std::array<std::vector<QPoint>, 2> points = {graph.CurvePoints(0), graph.CurvePoints(1)};

        // The mirror changes without a redraw: the curves still follow the sums.
        state->NotchGainDb.fill(-45.0);
        graph.RedrawBothChannels();
        for (int c = 0; c < 2; ++c) {
            QCOMPARE(graph.Picture(c), before[At(c)]);
            QCOMPARE(graph.CurvePoints(c), points[At(c)]);
        }
    }

    void coordinatesRoundHalvesToEven_data()
    {
        const double inf = std::numeric_limits<double>::infinity();
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("pixel");
        QTest::newRow("0.5") << 0.5 << 0;
        QTest::newRow("1.5") << 1.5 << 2;
        QTest::newRow("2.5") << 2.5 << 2;
        QTest::newRow("32.5") << 32.5 << 32;
        QTest::newRow("33.5") << 33.5 << 34;
        QTest::newRow("-0.5") << -0.5 << 0;
        QTest::newRow("-1.5") << -1.5 << -2;
        QTest::newRow("-2.5") << -2.5 << -2;
        QTest::newRow("just below a half") << 0.49999999999999994 << 0;
        QTest::newRow("just above a half") << 2.5000000000000004 << 3;
        QTest::newRow("31.8267") << 31.826666514078777 << 32;
        QTest::newRow("huge") << 1e300 << 100000;
        QTest::newRow("huge negative") << -1e300 << -100000;
        QTest::newRow("infinity") << inf << 100000;
        QTest::newRow("minus infinity") << -inf << -100000;
        QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << 0;
    }
    void coordinatesRoundHalvesToEven()
    {
        QFETCH(double, value);
        QFETCH(int, pixel);
        QCOMPARE(ResponseGraph::PixelCoordinate(value), pixel);
    }

    void curveLevelExactlyOnAHalfGoesToEven_data()
    {
        QTest::addColumn<double>("level");
        QTest::addColumn<int>("y");
        QTest::newRow("32.5") << 32.5 << 32;
        QTest::newRow("33.5") << 33.5 << 34;
        QTest::newRow("100.5") << 100.5 << 100;
        QTest::newRow("101.5") << 101.5 << 102;
    }
    void curveLevelExactlyOnAHalfGoesToEven()
    {
        QFETCH(double, level);
        QFETCH(int, y);
        const std::optional<double> gain = GainLandingOn(level);
        QVERIFY2(gain.has_value(), "no gain lands exactly on the half");
        auto state = FlatState();
        state->NotchFreqHz[12] = FreqTable[KiloIndex];
        state->NotchGainDb[12] = *gain;
        ResponseGraph graph(*state);
        RedrawFilters(graph, 1);
        QCOMPARE(graph.ChannelResponseDb(KiloIndex, 1), *gain);
        QCOMPARE(graph.CurvePoints(1)[KiloIndex], QPoint(326, y));
    }

    void strayMirrorValuesStayOnTheGrid_data()
    {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::addColumn<double>("hz");
        QTest::addColumn<double>("gain");
        QTest::addColumn<double>("width");
        QTest::addColumn<int>("bottomY"); // y at point 413
        QTest::newRow("never set") << 0.0 << 0.0 << 0.0 << 32;
        QTest::newRow("no frequency, deep gain") << 0.0 << -45.0 << 0.0 << 32;
        QTest::newRow("negative frequency") << -1003.0 << -45.0 << 0.0 << 32;
        QTest::newRow("NaN frequency") << nan << -45.0 << 0.0 << 32;
        QTest::newRow("width above range") << 1003.0 << -45.0 << 9.0 << 175;
        QTest::newRow("width below range") << 1003.0 << -45.0 << -4.0 << 175;
        QTest::newRow("NaN width") << 1003.0 << -45.0 << nan << 175;
        QTest::newRow("huge gain") << 1003.0 << -1e300 << 0.0 << 100000;
    }
    void strayMirrorValuesStayOnTheGrid()
    {
        QFETCH(double, hz);
        QFETCH(double, gain);
        QFETCH(double, width);
        QFETCH(int, bottomY);
        AppState state;
        state.NotchFreqHz[5] = hz;
        state.NotchGainDb[5] = gain;
        state.NotchWidthIndex[5] = width;
        ResponseGraph graph(state);
        for (int filter = 0; filter < FilterCount; ++filter)
            graph.RedrawChannel(filter);

        for (int c = 0; c < 2; ++c) {
            QCOMPARE(graph.CurvePoints(c).size(), std::size_t{730});
            for (int d = 0; d < FrequencyCount; ++d) {
                QVERIFY(std::isfinite(graph.ChannelResponseDb(d, c)) || std::abs(gain) > 1e100);
                const QPoint p = graph.CurvePoints(c)[At(d)];
                QVERIFY(std::abs(p.y()) <= 100000);
                QCOMPARE(p.x(), ResponseGraph::PixelCoordinate(ResponseGraph::FrequencyX(FreqTable[At(d)])));
            }
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
        QTest::newRow("fraction") << 1.2 << 1.0;
    }
    void widthOutsideTheTableActsAsTheNearestWidth()
    {
        QFETCH(double, stray);
        QFETCH(double, valid);
        auto state = FlatState();
        state->NotchFreqHz[8] = 2000.0;
        state->NotchGainDb[8] = -30.0;
        state->NotchWidthIndex[8] = stray;
        ResponseGraph strayGraph(*state);
        strayGraph.RedrawChannel(8);
        state->NotchWidthIndex[8] = valid;
        ResponseGraph validGraph(*state);
        validGraph.RedrawChannel(8);
        for (int d = 0; d < FrequencyCount; ++d)
            QCOMPARE(strayGraph.FilterResponseDb(d, 8), validGraph.FilterResponseDb(d, 8));
        QCOMPARE(strayGraph.Picture(0), validGraph.Picture(0));
    }

    void outOfRangeFilterIndexIsIgnored()
    {
        AppState state;
        ResponseGraph graph(state);
        QSignalSpy spy(&graph, &ResponseGraph::ChannelRedrawn);
        graph.RedrawChannel(-1);
        graph.RedrawChannel(24);
        QCOMPARE(spy.count(), 0);
        QVERIFY(graph.CurvePoints(0).empty());
        QVERIFY(graph.CurvePoints(1).empty());
    }

    void pictureWidgetShowsTheGraphPicture_data()
    {
        QTest::addColumn<int>("channel");
        QTest::newRow("Left") << 0;
        QTest::newRow("Right") << 1;
    }
    void pictureWidgetShowsTheGraphPicture()
    {
        QFETCH(int, channel);
        auto state = FlatState();
        ResponseGraph graph(*state);
        GraphPicture widget(graph, channel);
        QCOMPARE(widget.size(), QSize(576, 192));
        QCOMPARE(widget.minimumSize(), widget.maximumSize());

        const auto shown = [&widget] { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); };
        QCOMPARE(shown(), graph.Picture(channel));
        state->NotchFreqHz[At(channel * 12 + 3)] = 630.0;
        state->NotchGainDb[At(channel * 12 + 3)] = -33.0;
        RedrawFilters(graph, channel);
        QCOMPARE(shown(), graph.Picture(channel));
        QVERIFY(shown() != ResponseGraph::GridImage());
    }

    void pictureWidgetRepaintsAfterItsChannelIsRedrawn()
    {
        auto state = FlatState();
        ResponseGraph graph(*state);
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
        leftPaints.count = 0;
        rightPaints.count = 0;

        graph.RedrawChannel(14);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        qDebug() << leftPaints.count << rightPaints.count;
    }
};

QTEST_MAIN(GraphTest)
#include "tst_graph.moc"
