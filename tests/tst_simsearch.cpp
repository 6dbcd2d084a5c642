// The simulated device's feedback search, seen through the in-process port on
// the virtual clock: which filters it places and deepens, its reports, their
// pace, the acknowledgement it waits for and the stop frames that end it.

#include "sim/InProcessPort.h"
#include "sim/SimDevice.h"
#include "sim/VirtualClock.h"

#include "support/FrameBytes.h"

#include "core/Frames.h"
#include "core/Tables.h"

#include <QSet>
#include <QTest>

#include <array>
#include <map>
#include <memory>

using namespace ksr;
using namespace ksr::sim;
using ksr::test::F;

namespace {

const QByteArray Ack = F(NotificationAck);

int At(const QByteArray &bytes, int i)
{
    return static_cast<std::uint8_t>(bytes.at(i));
}

int IndexOf(const QByteArray &report)
{
    return At(report, 3) * 256 + At(report, 4);
}

struct Search {
    int autoCount;
    int autoQ;
    int attenuation;
    int sensitivity;
};

// The search frame for `selector` (0 both, 1 Left, 2 Right), starting or
// stopping, carrying `s`.
QByteArray SearchFrame(int selector, const Search &s, bool start)
{
    return F(AutoSearchCommand, static_cast<std::uint8_t>(selector), static_cast<std::uint8_t>(s.autoCount),
             static_cast<std::uint8_t>(s.autoQ), static_cast<std::uint8_t>(s.attenuation),
             static_cast<std::uint8_t>(s.sensitivity), start ? 1 : 0);
}

constexpr int Port = 1;
// Long enough for any report that is coming.
constexpr double Patience = 10 * SimDevice::ReportInterval;

} // namespace

// A device on an open in-process port, its channels set to `left` and `right`.
struct Rig {
    VirtualClock clock;
    SimDevice device;
    InProcessPort port{clock};
    // When the frame that started the search was sent.
    double started = 0;

    Rig(const Search &left, const Search &right)
    {
        Preset p = device.CurrentSettings();
        const Search both[2] = {left, right};
        for (int c = 0; c < 2; ++c) {
            const auto base = static_cast<std::size_t>(ChannelBytes * c);
            p[base + 76] = static_cast<std::uint8_t>(both[c].autoCount);
            p[base + 77] = static_cast<std::uint8_t>(both[c].autoQ);
            p[base + 78] = static_cast<std::uint8_t>(both[c].attenuation);
            p[base + 79] = static_cast<std::uint8_t>(both[c].sensitivity);
        }
        device.SetCurrentSettings(p);
        port.AttachDevice(Port, &device);
        port.Open(Port);
    }
    double Now() const { return clock.NowSeconds(); }
    // Writes `frame` and waits for `count` bytes of answer.
    QByteArray Exchange(const QByteArray &frame, int count = ReplyBytes)
    {
        port.Write(frame);
        port.WaitForBytes(count, Now() + 0.1);
        return port.Read(count);
    }
    // The next report, empty when none comes within `seconds`.
    QByteArray NextReport(double seconds = Patience)
    {
        if (!port.WaitForBytes(ReplyBytes, Now() + seconds))
            return {};
        return port.Read(ReplyBytes);
    }
    // Reports, each acknowledged, until none comes any more.
    QList<QByteArray> AllReports()
    {
        QList<QByteArray> reports;
        for (QByteArray r = NextReport(); !r.isEmpty() && reports.size() < 1000; r = NextReport()) {
            reports << r;
            port.Write(Ack);
        }
        return reports;
    }
};

class TestSimSearch : public QObject {
    Q_OBJECT

    std::unique_ptr<Rig> rig_;
    Rig &Start(int selector, const Search &left, const Search &right, double interval = SimDevice::ReportInterval)
    {
        rig_ = std::make_unique<Rig>(left, right);
        if (interval != SimDevice::ReportInterval)
            rig_->device.SetReportInterval(interval);
        const QByteArray start = SearchFrame(selector, selector == 2 ? right : left, true);
        rig_->started = rig_->Now();
        [&] { QCOMPARE(rig_->Exchange(start), start); }();
        return *rig_;
    }

private slots:
    void cleanup() { rig_.reset(); }

    void onlyTheSearchedChannelsAutomaticFilters_data()
    {
        QTest::addColumn<int>("selector");
        QTest::addColumn<int>("leftCount");
        QTest::addColumn<int>("rightCount");
        QTest::addColumn<int>("leftAttenuation");
        QTest::addColumn<int>("rightAttenuation");
        QTest::addColumn<bool>("left");
        QTest::addColumn<bool>("right");
        QTest::newRow("L&R") << 0 << 2 << 3 << 0 << 0 << true << true;
        QTest::newRow("L") << 1 << 2 << 3 << 0 << 0 << true << false;
        QTest::newRow("R") << 2 << 2 << 3 << 0 << 0 << false << true;
        QTest::newRow("L&R, each its own attenuation") << 0 << 1 << 2 << 1 << 0 << true << true;
        QTest::newRow("R, all twelve, variable") << 2 << 5 << 12 << 0 << 1 << false << true;
    }
    void onlyTheSearchedChannelsAutomaticFilters()
    {
        QFETCH(int, selector);
        QFETCH(int, leftCount);
        QFETCH(int, rightCount);
        QFETCH(int, leftAttenuation);
        QFETCH(int, rightAttenuation);
        QFETCH(bool, left);
        QFETCH(bool, right);
        const int counts[2] = {leftCount, rightCount};
        const int limits[2] = {leftAttenuation ? SearchEngine::VariableLimitStep : SearchEngine::FixedLimitStep,
                               rightAttenuation ? SearchEngine::VariableLimitStep : SearchEngine::FixedLimitStep};
        Rig &rig = Start(selector, {leftCount, 1, leftAttenuation, 5}, {rightCount, 2, rightAttenuation, 5});
        const QList<QByteArray> reports = rig.AllReports();

        // Per filter 0..23: placed once, then 3 dB deeper per report down to
        // the channel's limit.
        std::array<int, FilterCount> placed{};
        std::array<int, FilterCount> gain{};
        gain.fill(-1);
        for (const QByteArray &r : reports) {
            const int channel = At(r, 1);
            const int filter = At(r, 2);
            QVERIFY(channel == 0 ? left : channel == 1 && right);
            QVERIFY2(filter < counts[channel], r.toHex(' ').constData());
            const auto f = static_cast<std::size_t>(FiltersPerChannel * channel + filter);
            if (At(r, 0) == SearchEngine::NotchReport) {
                QCOMPARE(At(r, 6), SearchEngine::FirstGainStep);
                ++placed[f];
            } else {
                QCOMPARE(At(r, 0), int(SearchEngine::GainReport));
                QCOMPARE(At(r, 6), std::max(limits[channel], gain[f] - SearchEngine::DeepenSteps));
            }
            gain[f] = At(r, 6);
        }
        for (int c = 0; c < 2; ++c) {
            const bool searched = c == 0 ? left : right;
            for (int row = 0; row < FiltersPerChannel; ++row) {
                const auto f = static_cast<std::size_t>(FiltersPerChannel * c + row);
                const bool automatic = searched && row < counts[c];
                QCOMPARE(placed[f], automatic ? 1 : 0);
                QCOMPARE(gain[f], automatic ? limits[c] : -1);
            }
        }
        // Quiet, yet still running.
        QCOMPARE(rig.device.SearchRunning(0), left);
        QCOMPARE(rig.device.SearchRunning(1), right);
    }

    void firstReportPlacesANotchAtTheAutomaticWidth_data()
    {
        QTest::addColumn<int>("selector");
        QTest::addColumn<int>("autoQ");
        QTest::addColumn<int>("channel");
        QTest::newRow("L, 1/70") << 1 << 0 << 0;
        QTest::newRow("L, 1/20") << 1 << 1 << 0;
        QTest::newRow("R, 1/10") << 2 << 2 << 1;
        QTest::newRow("R, 1/5") << 2 << 3 << 1;
        QTest::newRow("L&R starts on Left") << 0 << 3 << 0;
    }
    void firstReportPlacesANotchAtTheAutomaticWidth()
    {
        QFETCH(int, selector);
        QFETCH(int, autoQ);
        QFETCH(int, channel);
        const Search s{4, autoQ, 0, 5};
        Rig &rig = Start(selector, s, s);
        const QByteArray r = rig.NextReport();
        QCOMPARE(r.size(), ReplyBytes);
        QCOMPARE(At(r, 0), int(SearchEngine::NotchReport));
        QCOMPARE(At(r, 1), channel);
        QCOMPARE(At(r, 2), 0);
        const int index = IndexOf(r);
        QVERIFY(index < FrequencyCount);
        QVERIFY(FreqTable[static_cast<std::size_t>(index)] >= 195.0);
        QVERIFY(FreqTable[static_cast<std::size_t>(index)] <= 8200.0);
        QCOMPARE(At(r, 5), autoQ);
        QCOMPARE(At(r, 6), SearchEngine::FirstGainStep);
        QCOMPARE(r.mid(7), QByteArray(3, '\0'));
    }

    void placedFrequenciesDiffer()
    {
        const Search s{12, 0, 0, 15};
        Rig &rig = Start(0, s, s);
        QSet<int> seen[2];
        for (const QByteArray &r : rig.AllReports()) {
            if (At(r, 0) != SearchEngine::NotchReport)
                continue;
            QVERIFY2(!seen[At(r, 1)].contains(IndexOf(r)), r.toHex(' ').constData());
            seen[At(r, 1)] << IndexOf(r);
        }
        QCOMPARE(seen[0].size(), FiltersPerChannel);
        QCOMPARE(seen[1].size(), FiltersPerChannel);
    }

    void goesQuietAtTheLimit_data()
    {
        QTest::addColumn<int>("attenuation");
        QTest::addColumn<QList<int>>("gains");
        QTest::newRow("fixed: -6, -9, -12 dB") << 0 << QList<int>{39, 36, 33};
        QTest::newRow("variable: down to -30 dB") << 1 << QList<int>{39, 36, 33, 30, 27, 24, 21, 18, 15};
    }
    void goesQuietAtTheLimit()
    {
        QFETCH(int, attenuation);
        QFETCH(QList<int>, gains);
        const Search s{1, 2, attenuation, 5};
        Rig &rig = Start(1, s, s);
        for (qsizetype i = 0; i < gains.size(); ++i) {
            const QByteArray r = rig.NextReport();
            QCOMPARE(r.size(), ReplyBytes);
            QCOMPARE(At(r, 0), i == 0 ? int(SearchEngine::NotchReport) : int(SearchEngine::GainReport));
            QCOMPARE(At(r, 2), 0);
            QCOMPARE(At(r, 6), gains[i]);
            rig.port.Write(Ack);
        }
        // Nothing more is announced or sent, though the search runs on.
        QVERIFY(!rig.device.NextDue());
        QVERIFY(rig.NextReport(100.0).isEmpty());
        QVERIFY(rig.device.SearchRunning(0));
        // Its answers still come.
        QCOMPARE(rig.Exchange(F(ProbeCommand)).size(), ReplyBytes);
    }

    void restartingAQuietChannelSearchesAfresh()
    {
        const Search s{1, 2, 0, 5};
        Rig &rig = Start(1, s, s);
        QCOMPARE(rig.AllReports().size(), 3);
        // Stopped and started again with a second automatic notch.
        const Search more{2, 2, 0, 5};
        rig.Exchange(SearchFrame(1, more, false));
        const double restart = rig.Now();
        rig.Exchange(SearchFrame(1, more, true));
        const QByteArray r = rig.NextReport();
        QCOMPARE(At(r, 0), int(SearchEngine::NotchReport));
        QCOMPARE(At(r, 2), 0);
        QCOMPARE(rig.Now(), restart + SimDevice::ReportInterval);
        rig.port.Write(Ack);
        QCOMPARE(rig.AllReports().size(), 2 * 3 - 1);
    }

    void noSecondReportBeforeTheAcknowledgement()
    {
        const Search s{6, 1, 1, 5};
        Rig &rig = Start(0, s, s);
        QCOMPARE(rig.NextReport().size(), ReplyBytes);
        QVERIFY(!rig.device.NextDue());
        QVERIFY(rig.NextReport(100.0).isEmpty());
        // Other frames are answered, but are no acknowledgement.
        QCOMPARE(rig.Exchange(F(ProbeCommand)).size(), ReplyBytes);
        QVERIFY(rig.NextReport(100.0).isEmpty());
        rig.port.Write(Ack);
        QCOMPARE(rig.NextReport().size(), ReplyBytes);
    }

    void pace_data()
    {
        QTest::addColumn<double>("interval");
        QTest::newRow("the device's") << SimDevice::ReportInterval;
        QTest::newRow("set to 100 ms") << 0.1;
    }
    void pace()
    {
        QFETCH(double, interval);
        const Search s{6, 1, 1, 5};
        Rig &rig = Start(1, s, s, interval);
        const double started = rig.started;
        QCOMPARE(rig.NextReport().size(), ReplyBytes);
        QCOMPARE(rig.Now(), started + interval);
        // The PC takes its time to acknowledge: the interval counts from then.
        rig.clock.Advance(2.0);
        const double acked = rig.Now();
        rig.port.Write(Ack);
        QVERIFY(rig.NextReport(interval * 0.99).isEmpty());
        QCOMPARE(rig.NextReport().size(), ReplyBytes);
        QCOMPARE(rig.Now(), acked + interval);
    }

    void strayAcknowledgementChangesNothing()
    {
        const Search s{6, 1, 1, 5};
        Rig &rig = Start(1, s, s);
        const double started = rig.started;
        rig.clock.Advance(SimDevice::ReportInterval / 2);
        rig.port.Write(Ack);
        QCOMPARE(rig.NextReport().size(), ReplyBytes);
        QCOMPARE(rig.Now(), started + SimDevice::ReportInterval);
    }

    void stopFramesEndTheReports_data()
    {
        QTest::addColumn<int>("startSelector");
        QTest::addColumn<int>("stopSelector");
        QTest::addColumn<bool>("acknowledged"); // the stop comes while the next report is scheduled
        QTest::addColumn<int>("goesOn");         // the channel still searched, -1 none
        QTest::newRow("L&R, stop both") << 0 << 0 << true << -1;
        QTest::newRow("L, stop both") << 1 << 0 << true << -1;
        QTest::newRow("R, the program's stop frame") << 2 << 0 << true << -1;
        QTest::newRow("L, stop L") << 1 << 1 << true << -1;
        QTest::newRow("R, stop R") << 2 << 2 << true << -1;
        QTest::newRow("R, stop both, report unacknowledged") << 2 << 0 << false << -1;
        QTest::newRow("L&R, stop L") << 0 << 1 << true << 1;
        QTest::newRow("L&R, stop R") << 0 << 2 << true << 0;
    }
    void stopFramesEndTheReports()
    {
        QFETCH(int, startSelector);
        QFETCH(int, stopSelector);
        QFETCH(bool, acknowledged);
        QFETCH(int, goesOn);
        const Search s{3, 1, 0, 5};
        Rig &rig = Start(startSelector, s, s);
        QCOMPARE(rig.NextReport().size(), ReplyBytes);
        if (acknowledged) {
            rig.port.Write(Ack);
            rig.clock.Advance(SimDevice::ReportInterval / 2);
        }
        // The program sends its stop frame, Left's settings with selector 0, twice.
        const QByteArray stop = SearchFrame(stopSelector, s, false);
        QCOMPARE(rig.Exchange(stop), stop);
        QCOMPARE(rig.Exchange(stop), stop);
        QCOMPARE(rig.device.SearchRunning(0), goesOn == 0);
        QCOMPARE(rig.device.SearchRunning(1), goesOn == 1);
        if (goesOn < 0) {
            QVERIFY(!rig.device.NextDue());
            QVERIFY(rig.NextReport(100.0).isEmpty());
            // A late acknowledgement brings nothing either.
            rig.port.Write(Ack);
            QVERIFY(rig.NextReport(100.0).isEmpty());
            return;
        }
        const QList<QByteArray> rest = rig.AllReports();
        QVERIFY(!rest.isEmpty());
        for (const QByteArray &r : rest)
            QCOMPARE(At(r, 1), goesOn);
    }

    void reportsAreWrittenIntoTheCurrentSettings()
    {
        const Search s{3, 3, 1, 5};
        Rig &rig = Start(0, s, s);
        // Half the search: placed notches and deepened ones.
        std::map<int, QByteArray> records; // filter index: gain, index high, low, width
        for (int i = 0; i < 10; ++i) {
            const QByteArray r = rig.NextReport();
            QCOMPARE(r.size(), ReplyBytes);
            const int f = FiltersPerChannel * At(r, 1) + At(r, 2);
            if (At(r, 0) == SearchEngine::NotchReport)
                records[f] = QByteArray(1, r[6]) + r.mid(3, 3);
            else
                records[f][0] = r[6];
            rig.port.Write(Ack);
        }
        QCOMPARE(records.size(), std::size_t{6});
        // Read back while the next report is due: the block comes first, whole.
        rig.port.SetReceiveSize(PresetBytes);
        const QByteArray block = rig.Exchange(F(ReadPresetCommand, CurrentSettingsSelector), PresetBytes);
        QCOMPARE(block.size(), PresetBytes);
        for (const auto &[f, record] : records)
            QCOMPARE(block.mid(NotchOffset[static_cast<std::size_t>(f)], 4), record);
        QCOMPARE(block, QByteArray(reinterpret_cast<const char *>(rig.device.CurrentSettings().data()), PresetBytes));
    }

    void reportsAlternateBetweenTheChannels()
    {
        // Left: 1 notch, 3 reports; Right: 3 notches, 9 reports.
        Rig &rig = Start(0, {1, 0, 0, 5}, {3, 0, 0, 5});
        QList<int> channels;
        QList<int> filters;
        for (const QByteArray &r : rig.AllReports()) {
            channels << At(r, 1);
            filters << At(r, 2);
        }
        QCOMPARE(channels, (QList<int>{0, 1, 0, 1, 0, 1, 1, 1, 1, 1, 1, 1}));
        // Every notch placed before any is deepened, then each deepened to its
        // limit in turn.
        QCOMPARE(filters, (QList<int>{0, 0, 0, 1, 0, 2, 0, 0, 1, 1, 2, 2}));
    }

    void answerGoesBeforeAScheduledReport_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<int>("answerBytes");
        QTest::addColumn<double>("before"); // seconds before the report is due
        QTest::addColumn<double>("replyDelay");
        QTest::newRow("probe, just before") << F(ProbeCommand) << ReplyBytes << 0.0001 << 0.0;
        QTest::newRow("read byte, just before") << F(ReadByteCommand, 0, 0x30) << ReplyBytes << 0.0001 << 0.0;
        QTest::newRow("notch, manual row") << F(NotchFilterCommand, 0, 11, 1, 44, 2, 30) << ReplyBytes << 0.0001 << 0.0;
        QTest::newRow("block") << F(ReadPresetCommand, CurrentSettingsSelector) << PresetBytes << 0.0001 << 0.0;
        QTest::newRow("answer delayed past it") << F(ProbeCommand) << ReplyBytes << 0.05 << 0.2;
    }
    void answerGoesBeforeAScheduledReport()
    {
        QFETCH(QByteArray, frame);
        QFETCH(int, answerBytes);
        QFETCH(double, before);
        QFETCH(double, replyDelay);
        const Search s{4, 1, 0, 5};
        Rig &rig = Start(1, s, s);
        const double due = rig.started + SimDevice::ReportInterval;
        rig.port.SetReceiveSize(answerBytes);
        Faults slow;
        slow.replyDelay = replyDelay;
        rig.device.SetFaults(slow);
        rig.clock.Set(due - before);
        rig.port.Write(frame);
        // The answer arrives whole, and on its own.
        QVERIFY(rig.port.WaitForBytes(answerBytes, due + 1.0));
        QCOMPARE(rig.port.BytesWaiting(), answerBytes);
        const QByteArray answer = rig.port.Read(answerBytes);
        if (answerBytes == ReplyBytes) {
            QCOMPARE(At(answer, 0), int(FrameStart));
            QCOMPARE(At(answer, 2), At(frame, 2));
        } else {
            const Preset now = rig.device.CurrentSettings();
            QCOMPARE(answer, QByteArray(reinterpret_cast<const char *>(now.data()), PresetBytes));
        }
        // Then the report.
        const QByteArray r = rig.NextReport();
        QCOMPARE(r.size(), ReplyBytes);
        QCOMPARE(At(r, 0), int(SearchEngine::NotchReport));
        QVERIFY(rig.Now() >= due);
    }

    void badReportsCarryOutOfRangeValues_data()
    {
        QTest::addColumn<int>("n");       // which bad report
        QTest::addColumn<int>("byte");    // its out-of-range byte
        QTest::addColumn<int>("value");
        QTest::newRow("filter 12") << 0 << 2 << 12;
        QTest::newRow("frequency 730") << 1 << 3 << 730;
        QTest::newRow("width 4") << 2 << 5 << 4;
        QTest::newRow("gain 46") << 3 << 6 << 46;
        QTest::newRow("filter 255") << 4 << 2 << 255;
        QTest::newRow("frequency 0xFFFF") << 5 << 3 << 0xFFFF;
        QTest::newRow("width 255") << 6 << 5 << 255;
        QTest::newRow("gain 255") << 7 << 6 << 255;
    }
    void badReportsCarryOutOfRangeValues()
    {
        QFETCH(int, n);
        QFETCH(int, byte);
        QFETCH(int, value);
        constexpr int Bad = 8;
        rig_ = std::make_unique<Rig>(Search{2, 1, 0, 5}, Search{2, 1, 0, 5});
        Faults faults;
        faults.badReports = Bad;
        rig_->device.SetFaults(faults);
        rig_->Exchange(SearchFrame(1, {2, 1, 0, 5}, true));
        const QList<QByteArray> reports = rig_->AllReports();
        QCOMPARE(reports.size(), Bad + 2 * 3);
        const QByteArray &r = reports[n];
        QCOMPARE(byte == 3 ? IndexOf(r) : At(r, byte), value);
        if (byte == 3 || byte == 5)
            QCOMPARE(At(r, 0), int(SearchEngine::NotchReport));
        // On the searched channel; the rest of it in range.
        QCOMPARE(At(r, 1), 0);
        QVERIFY(byte == 2 || At(r, 2) < 2);
        QVERIFY(byte == 3 || IndexOf(r) < FrequencyCount);
        QVERIFY(byte == 5 || At(r, 5) <= 3);
        QVERIFY(byte == 6 || At(r, 6) <= 45);
        // The device did not act on them: the real search follows in full.
        QCOMPARE(At(reports[Bad], 0), int(SearchEngine::NotchReport));
        QCOMPARE(At(reports[Bad], 2), 0);
        QCOMPARE(rig_->device.ActiveFaults().badReports, 0);
    }

    void badReportsOutliveTheAnswerFaultsCount()
    {
        rig_ = std::make_unique<Rig>(Search{2, 1, 0, 5}, Search{2, 1, 0, 5});
        Faults faults;
        faults.badReports = 1;
        faults.extraBytes = 1;
        faults.count = 1;
        rig_->device.SetFaults(faults);
        rig_->port.SetReceiveSize(ReplyBytes + 1);
        QCOMPARE(rig_->Exchange(SearchFrame(1, {2, 1, 0, 5}, true), ReplyBytes + 1).size(), ReplyBytes + 1);
        rig_->port.DiscardInput();
        QCOMPARE(rig_->device.ActiveFaults().extraBytes, 0);
        const QByteArray r = rig_->NextReport();
        QCOMPARE(At(r, 2), FiltersPerChannel);
    }
};

QTEST_GUILESS_MAIN(TestSimSearch)
#include "tst_simsearch.moc"
