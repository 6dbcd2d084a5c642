// The simulated device's feedback search: which filters it places and
// deepens, its reports, their pace and the acknowledgement it waits for.

#include "sim/SimDevice.h"

#include "model/Frames.h"
#include "model/Tables.h"

#include <QTest>

using namespace ksr;
using namespace ksr::sim;

namespace {

QByteArray F(std::uint8_t code, std::uint8_t b3 = 0, std::uint8_t b4 = 0, std::uint8_t b5 = 0, std::uint8_t b6 = 0,
             std::uint8_t b7 = 0, std::uint8_t b8 = 0)
{
    const Frame frame = BuildFrame({code, b3, b4, b5, b6, b7, b8});
    return QByteArray(reinterpret_cast<const char *>(frame.data()), ReplyBytes);
}

const QByteArray Ack = F(NotificationAck);

// A device whose channels have `left` and `right` automatic filters, width
// 1/20, with the given attenuation modes.
SimDevice DeviceWith(int left, int right, int attenuation = 0)
{
    SimDevice device;
    Preset p = device.CurrentSettings();
    p[76] = static_cast<std::uint8_t>(left);
    p[77] = 1;
    p[78] = static_cast<std::uint8_t>(attenuation);
    p[156] = static_cast<std::uint8_t>(right);
    p[157] = 1;
    p[158] = static_cast<std::uint8_t>(attenuation);
    device.SetCurrentSettings(p);
    return device;
}

// Runs the search from `start`, acknowledging every report, until `count`
// reports came or none is due; returns them.
QList<QByteArray> Reports(SimDevice &device, int count, double &now)
{
    QList<QByteArray> reports;
    while (reports.size() < count) {
        const auto due = device.NextDue();
        if (!due)
            break;
        now = *due;
        const QByteArray out = device.TakeDue(now);
        if (out.size() != 10)
            break;
        reports << out;
        device.Receive(Ack, now + 0.01);
        now += 0.01;
    }
    return reports;
}

} // namespace

class SimSearchTest : public QObject {
    Q_OBJECT
private slots:
    void searchReportsOnlyTheSearchedChannelsAutomaticFilters_data()
    {
        QTest::addColumn<int>("selector");
        QTest::addColumn<QList<int>>("channels");
        QTest::newRow("L&R") << 0 << QList<int>{0, 1};
        QTest::newRow("L") << 1 << QList<int>{0};
        QTest::newRow("R") << 2 << QList<int>{1};
    }
    void searchReportsOnlyTheSearchedChannelsAutomaticFilters()
    {
        QFETCH(int, selector);
        QFETCH(QList<int>, channels);
        SimDevice device = DeviceWith(2, 3);
        double now = 10.0;
        // The frame carries the searched channel's own settings (Left's for L&R).
        const std::uint8_t count = selector == 2 ? 3 : 2;
        device.Receive(F(AutoSearchCommand, static_cast<std::uint8_t>(selector), count, 1, 0, 5, 1), now);
        QCOMPARE(device.TakeDue(now + 0.01).size(), ReplyBytes);
        const QList<QByteArray> reports = Reports(device, 100, now);
        QVERIFY(!reports.isEmpty());
        QSet<int> seenChannels;
        for (const QByteArray &r : reports) {
            const int channel = r[1];
            seenChannels << channel;
            QVERIFY(channels.contains(channel));
            QVERIFY(int(r[2]) < (channel == 0 ? 2 : 3));
        }
        QCOMPARE(seenChannels.size(), channels.size());
        // Every automatic filter placed once and deepened to the fixed limit, then quiet.
        const int filters = (channels.contains(0) ? 2 : 0) + (channels.contains(1) ? 3 : 0);
        const int deepenings = (SearchEngine::FirstGainStep - SearchEngine::FixedLimitStep) / SearchEngine::DeepenSteps;
        QCOMPARE(reports.size(), filters * (1 + deepenings));
        QVERIFY(!device.NextDue());
        QVERIFY(device.SearchRunning(channels.front()));
    }

    void firstReportPlacesANotchAtTheAutomaticWidth()
    {
        SimDevice device = DeviceWith(4, 4);
        double now = 10.0;
        device.Receive(F(AutoSearchCommand, 2, 4, 1, 0, 5, 1), now);
        device.TakeDue(now + 0.01);
        QCOMPARE(*device.NextDue(), now + SearchEngine::ReportInterval);
        const QByteArray report = device.TakeDue(now + SearchEngine::ReportInterval);
        QCOMPARE(report.size(), 10);
        QCOMPARE(std::uint8_t(report[0]), std::uint8_t{0xFE});
        QCOMPARE(int(report[1]), 1);
        const int index = std::uint8_t(report[3]) * 256 + std::uint8_t(report[4]);
        QVERIFY(index >= 0 && index < FrequencyCount);
        QCOMPARE(int(report[5]), 1);
        QCOMPARE(int(report[6]), SearchEngine::FirstGainStep);
        // Written into the current settings too.
        const Preset p = device.CurrentSettings();
        const std::size_t o = 108 + 4 * std::size_t(std::uint8_t(report[2]));
        QCOMPARE(int(p[o]), SearchEngine::FirstGainStep);
        QCOMPARE(p[o + 1] * 256 + p[o + 2], index);
    }

    void nextReportWaitsForTheAcknowledgement()
    {
        SimDevice device = DeviceWith(3, 3);
        double now = 10.0;
        device.Receive(F(AutoSearchCommand, 1, 3, 1, 0, 5, 1), now);
        device.TakeDue(now + 0.01);
        QCOMPARE(device.TakeDue(now + 0.3).size(), 10);
        QVERIFY(!device.NextDue());
        QVERIFY(device.TakeDue(now + 100).isEmpty());
        device.Receive(Ack, now + 100);
        QCOMPARE(*device.NextDue(), now + 100 + SearchEngine::ReportInterval);
    }

    void stopFramesEndTheReports_data()
    {
        QTest::addColumn<int>("stopSelector");
        QTest::newRow("both") << 0;
        QTest::newRow("left") << 1;
    }
    void stopFramesEndTheReports()
    {
        QFETCH(int, stopSelector);
        SimDevice device = DeviceWith(3, 3);
        double now = 10.0;
        device.Receive(F(AutoSearchCommand, 1, 3, 1, 0, 5, 1), now);
        device.TakeDue(now + 0.01);
        device.Receive(F(AutoSearchCommand, static_cast<std::uint8_t>(stopSelector), 3, 1, 0, 5, 0), now + 0.1);
        QCOMPARE(device.TakeDue(now + 0.2).size(), ReplyBytes);
        QVERIFY(!device.SearchRunning(0));
        QVERIFY(!device.NextDue());
        QVERIFY(device.TakeDue(now + 10).isEmpty());
    }

    void variableAttenuationGoesDeeper()
    {
        SimDevice device = DeviceWith(1, 1, 1);
        double now = 10.0;
        device.Receive(F(AutoSearchCommand, 1, 1, 1, 1, 5, 1), now);
        device.TakeDue(now + 0.01);
        const QList<QByteArray> reports = Reports(device, 100, now);
        QCOMPARE(int(reports.last()[6]), SearchEngine::VariableLimitStep);
        QCOMPARE(std::uint8_t(reports.last()[0]), std::uint8_t{0xFD});
    }

    void answersGoBeforeAReport()
    {
        SimDevice device = DeviceWith(2, 2);
        double now = 10.0;
        device.Receive(F(AutoSearchCommand, 1, 2, 1, 0, 5, 1), now);
        device.TakeDue(now + 0.01);
        // A frame arrives just before the report is due and is answered late.
        Faults slow;
        slow.replyDelay = 0.2;
        device.SetFaults(slow);
        device.Receive(F(ReadByteCommand, 0, 0x30), now + 0.25);
        const QByteArray out = device.TakeDue(now + 1.0);
        QCOMPARE(out.size(), 20);
        QCOMPARE(std::uint8_t(out[0]), FrameStart);
        QCOMPARE(std::uint8_t(out[10]), std::uint8_t{0xFE});
    }

    void badReportsCarryOutOfRangeValues()
    {
        SimDevice device = DeviceWith(2, 2);
        Faults bad;
        bad.badReports = 4;
        device.SetFaults(bad);
        double now = 10.0;
        device.Receive(F(AutoSearchCommand, 0, 2, 1, 0, 5, 1), now);
        device.TakeDue(now + 0.01);
        const QList<QByteArray> reports = Reports(device, 5, now);
        QCOMPARE(reports.size(), 5);
        QCOMPARE(int(reports[0][2]), 12);                                          // filter
        QCOMPARE(std::uint8_t(reports[1][3]) * 256 + std::uint8_t(reports[1][4]), 730); // frequency
        QCOMPARE(int(reports[2][5]), 4);                                           // width
        QCOMPARE(int(reports[3][6]), 46);                                          // gain
        QVERIFY(int(reports[4][2]) < 2); // then real ones
    }
};

QTEST_APPLESS_MAIN(SimSearchTest)
#include "tst_simsearch.moc"
