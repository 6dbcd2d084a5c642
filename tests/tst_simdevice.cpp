#include "support/FrameBytes.h"

#include "core/Frames.h"
#include "core/Tables.h"
#include "sim/FixedPresets.h"
#include "sim/SimDevice.h"

#include <QTest>

#include <optional>

using namespace ksr;
using namespace ksr::sim;
using ksr::test::F;

Q_DECLARE_METATYPE(ksr::sim::Faults)

namespace {

std::uint8_t At(const QByteArray &bytes, int i)
{
    return static_cast<std::uint8_t>(bytes.at(i));
}

// Sends `frame` at `now` and takes everything the device sends before a
// search it may start would report.
QByteArray Exchange(SimDevice &device, const QByteArray &frame, double now = 10.0)
{
    device.Receive(frame, now);
    return device.TakeDue(now + SimDevice::ReportInterval / 2);
}

QByteArray PresetBytesOf(const Preset &p)
{
    return QByteArray(reinterpret_cast<const char *>(p.data()), PresetBytes);
}

QByteArray MemoryBytesAt(const SimDevice &device, int address, int count)
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out.append(static_cast<char>(device.MemoryByte(address + i)));
    return out;
}

bool PresetValid(const Preset &p)
{
    for (int c = 0; c < 2; ++c) {
        const int base = ChannelBytes * c;
        for (int f = 0; f < FiltersPerChannel; ++f) {
            const std::size_t o = NotchAt(c, f);
            if (p[o] > 45 || p[o + 1] * 256 + p[o + 2] > 729 || p[o + 3] > 3)
                return false;
        }
        const auto b = [&](int offset) { return p[static_cast<std::size_t>(base + offset)]; };
        if (b(76) < 1 || b(76) > 12 || b(77) > 3 || b(78) > 1 || b(79) > 15 || b(20) > 1 || b(21) > 1)
            return false;
        for (int i = 0; i < 28; ++i) {
            if ((i < 20 || i >= 22) && b(i) != FlatPresetImage[static_cast<std::size_t>(base + i)])
                return false;
        }
    }
    return true;
}

} // namespace

class TestSimDevice : public QObject {
    Q_OBJECT

private slots:
    void probeAnswersWithMarkerAfterTurnaround()
    {
        SimDevice device;
        device.Receive(F(ProbeCommand, 1, 2, 3, 4, 5, 6), 10.0);
        QCOMPARE(device.NextDue(), std::optional<double>(10.0 + SimDevice::ReplyTurnaround));
        QVERIFY(device.TakeDue(10.0).isEmpty());
        const QByteArray reply = device.TakeDue(10.0 + SimDevice::ReplyTurnaround);
        QCOMPARE(reply, QByteArray::fromHex("F05B005B0203040506F7"));
        QCOMPARE(device.NextDue(), std::nullopt);
    }

    void echoedCommands_data()
    {
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("exit") << F(ExitCommand, 1, 2, 3, 4, 5, 6);
        QTest::newRow("unknown code") << F(0x42, 0xF0, 0xF7, 0, 0, 0, 9);
        QTest::newRow("notch") << F(NotchFilterCommand, 1, 3, 1, 10, 2, 30);
        QTest::newRow("search settings") << F(AutoSearchCommand, 1, 5, 2, 1, 9, 0);
        QTest::newRow("search modes") << F(SearchModesCommand, 0, 0, 0, 1, 1, 0);
        QTest::newRow("write byte") << F(WriteByteCommand, 0x05, 0x00, 0, 0x42, 0, 0);
    }
    void echoedCommands()
    {
        QFETCH(QByteArray, frame);
        SimDevice device;
        QCOMPARE(Exchange(device, frame), frame);
    }

    void readMemoryByte_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("expected");
        QTest::newRow("used marker of slot 0") << 0x0030 << 0x55;
        QTest::newRow("empty marker of slot 2") << 0x0032 << 0x00;
        QTest::newRow("current name, first char") << 0x0070 << int('P');
        QTest::newRow("slot 1 name, third char") << 0x0F2A << int('S');
        QTest::newRow("unused byte") << 0x0FFF << 0xFF;
        QTest::newRow("just outside") << 0x1000 << 0xFF;
        QTest::newRow("far outside, F0/F7 args") << 0xF0F7 << 0xFF;
    }
    void readMemoryByte()
    {
        QFETCH(int, address);
        QFETCH(int, expected);
        SimDevice device;
        const QByteArray frame = F(ReadByteCommand, static_cast<std::uint8_t>(address >> 8),
                                   static_cast<std::uint8_t>(address & 0xFF), 0, 0, 0, 0);
        const QByteArray reply = Exchange(device, frame);
        QCOMPARE(reply.size(), ReplyBytes);
        QCOMPARE(int(At(reply, 6)), expected);
        QByteArray rest = reply;
        rest[6] = 0;
        QCOMPARE(rest, frame);
    }

    void writeThenRead_data()
    {
        QTest::addColumn<int>("address");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << 0x0500 << 0x42;
        QTest::newRow("frame bytes as address and value") << 0x0FF0 << 0xF7;
        QTest::newRow("start byte as value") << 0x0031 << 0xF0;
        QTest::newRow("first byte") << 0x0000 << 0x00;
    }
    void writeThenRead()
    {
        QFETCH(int, address);
        QFETCH(int, value);
        SimDevice device;
        const auto hi = static_cast<std::uint8_t>(address >> 8);
        const auto lo = static_cast<std::uint8_t>(address & 0xFF);
        Exchange(device, F(WriteByteCommand, hi, lo, 0, static_cast<std::uint8_t>(value), 0, 0), 10.0);
        QCOMPARE(int(device.MemoryByte(address)), value);
        QCOMPARE(int(At(Exchange(device, F(ReadByteCommand, hi, lo), 11.0), 6)), value);
        QVERIFY(device.StateChanged());
    }

    void writeOutsideMemoryIsIgnored()
    {
        SimDevice device;
        const QByteArray before = device.SaveState();
        const QByteArray frame = F(WriteByteCommand, 0x12, 0x34, 0, 0x00, 0, 0);
        QCOMPARE(Exchange(device, frame), frame);
        QCOMPARE(device.SaveState(), before);
        QVERIFY(!device.StateChanged());
    }

    void notchStored_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("filter");
        QTest::addColumn<int>("offset");
        QTest::newRow("left first") << 0 << 0 << 28;
        QTest::newRow("left last") << 0 << 11 << 72;
        QTest::newRow("right first") << 1 << 0 << 108;
        QTest::newRow("right last") << 1 << 11 << 152;
    }
    void notchStored()
    {
        QFETCH(int, channel);
        QFETCH(int, filter);
        QFETCH(int, offset);
        SimDevice device;
        Preset expected = device.CurrentSettings();
        // Frequency index 0x2D9 = 729, width 3, gain step 12.
        Exchange(device, F(NotchFilterCommand, static_cast<std::uint8_t>(channel), static_cast<std::uint8_t>(filter),
                           0x02, 0xD9, 3, 12));
        const auto o = static_cast<std::size_t>(offset);
        expected[o] = 12;
        expected[o + 1] = 0x02;
        expected[o + 2] = 0xD9;
        expected[o + 3] = 3;
        QCOMPARE(device.CurrentSettings(), expected);
    }

    void notchOutOfRangeStoresNothing_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("filter");
        QTest::newRow("channel 2") << 2 << 0;
        QTest::newRow("filter 12") << 0 << 12;
        QTest::newRow("F0 channel") << 0xF0 << 0;
    }
    void notchOutOfRangeStoresNothing()
    {
        QFETCH(int, channel);
        QFETCH(int, filter);
        SimDevice device;
        const Preset before = device.CurrentSettings();
        QCOMPARE(Exchange(device, F(NotchFilterCommand, static_cast<std::uint8_t>(channel),
                                    static_cast<std::uint8_t>(filter), 0, 5, 1, 20))
                     .size(),
                 ReplyBytes);
        QCOMPARE(device.CurrentSettings(), before);
    }

    void autoSearchSettings_data()
    {
        QTest::addColumn<int>("selector");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("storedAt"); // -1: nothing stored
        QTest::addColumn<bool>("left");
        QTest::addColumn<bool>("right");
        QTest::newRow("left, no search") << 1 << 0 << 76 << false << false;
        QTest::newRow("left, search") << 1 << 1 << 76 << true << false;
        QTest::newRow("right, search") << 2 << 1 << 156 << false << true;
        QTest::newRow("both, search") << 0 << 1 << -1 << true << true;
        QTest::newRow("unknown selector") << 3 << 1 << -1 << false << false;
    }
    void autoSearchSettings()
    {
        QFETCH(int, selector);
        QFETCH(int, start);
        QFETCH(int, storedAt);
        QFETCH(bool, left);
        QFETCH(bool, right);
        SimDevice device;
        Preset expected = device.CurrentSettings();
        Exchange(device, F(AutoSearchCommand, static_cast<std::uint8_t>(selector), 5, 3, 1, 15,
                           static_cast<std::uint8_t>(start)));
        if (storedAt >= 0) {
            const auto o = static_cast<std::size_t>(storedAt);
            expected[o] = 5;
            expected[o + 1] = 3;
            expected[o + 2] = 1;
            expected[o + 3] = 15;
        }
        QCOMPARE(device.CurrentSettings(), expected);
        QCOMPARE(device.SearchRunning(0), left);
        QCOMPARE(device.SearchRunning(1), right);
    }

    void searchStops_data()
    {
        QTest::addColumn<int>("stopSelector");
        QTest::addColumn<bool>("left");
        QTest::addColumn<bool>("right");
        QTest::newRow("stop both") << 0 << false << false;
        QTest::newRow("stop left") << 1 << false << true;
        QTest::newRow("stop right") << 2 << true << false;
    }
    void searchStops()
    {
        QFETCH(int, stopSelector);
        QFETCH(bool, left);
        QFETCH(bool, right);
        SimDevice device;
        Exchange(device, F(AutoSearchCommand, 0, 11, 2, 0, 6, 1), 10.0);
        QVERIFY(device.SearchRunning(0) && device.SearchRunning(1));
        Exchange(device, F(AutoSearchCommand, static_cast<std::uint8_t>(stopSelector), 11, 2, 0, 6, 0), 11.0);
        QCOMPARE(device.SearchRunning(0), left);
        QCOMPARE(device.SearchRunning(1), right);
    }

    void searchModesStored_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("releaseAt");
        QTest::newRow("left") << 0 << 20;
        QTest::newRow("right") << 1 << 100;
    }
    void searchModesStored()
    {
        QFETCH(int, channel);
        QFETCH(int, releaseAt);
        SimDevice device;
        Preset expected = device.CurrentSettings();
        Exchange(device, F(SearchModesCommand, static_cast<std::uint8_t>(channel), 0, 0, 1, 1, 0));
        expected[static_cast<std::size_t>(releaseAt)] = 1;
        expected[static_cast<std::size_t>(releaseAt + 1)] = 1;
        QCOMPARE(device.CurrentSettings(), expected);
    }

    void blockOfCurrentSettings()
    {
        SimDevice device;
        Preset changed = device.CurrentSettings();
        changed[100] = 1;
        device.SetCurrentSettings(changed);
        const QByteArray block = Exchange(device, F(ReadPresetCommand, CurrentSettingsSelector));
        QCOMPARE(block, PresetBytesOf(changed));
    }

    void blockOfDirectoryEntry_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<QByteArray>("preset");
        QTest::addColumn<QByteArray>("name");
        const SimDevice fresh;
        for (int i = 0; i < FixedPresetCount; ++i)
            QTest::addRow("fixed %d", i) << i << PresetBytesOf(FixedPreset(i)) << FixedPresetName(i);
        QTest::newRow("user slot 1") << 5 << MemoryBytesAt(fresh, 0x0120 + 160, 160) << QByteArray("  Stage ");
        QTest::newRow("user slot 15") << 19 << MemoryBytesAt(fresh, 0x0120 + 160 * 15, 160)
                                      << MemoryBytesAt(fresh, 0x0F20 + 8 * 15, 8);
    }
    void blockOfDirectoryEntry()
    {
        QFETCH(int, entry);
        QFETCH(QByteArray, preset);
        QFETCH(QByteArray, name);
        SimDevice device;
        // Start from somewhere else so the load is visible.
        Exchange(device, F(ReadPresetCommand, 3), 5.0);
        const QByteArray block = Exchange(device, F(ReadPresetCommand, static_cast<std::uint8_t>(entry)));
        QCOMPARE(block, preset);
        QCOMPARE(PresetBytesOf(device.CurrentSettings()), preset);
        QCOMPARE(MemoryBytesAt(device, 0x0070, 8), name);
    }

    void blockOfUnknownEntryIsCurrent_data()
    {
        QTest::addColumn<int>("selector");
        QTest::newRow("20") << 20;
        QTest::newRow("F0") << 0xF0;
        QTest::newRow("F7") << 0xF7;
    }
    void blockOfUnknownEntryIsCurrent()
    {
        QFETCH(int, selector);
        SimDevice device;
        Exchange(device, F(ReadPresetCommand, 2), 5.0);
        const QByteArray block = Exchange(device, F(ReadPresetCommand, static_cast<std::uint8_t>(selector)));
        QCOMPARE(block, PresetBytesOf(FixedPreset(2)));
        QCOMPARE(MemoryBytesAt(device, 0x0070, 8), QByteArray("Preset03"));
    }

    void acknowledgementGetsNoReply()
    {
        SimDevice device;
        device.Receive(F(NotificationAck, 1), 10.0);
        QCOMPARE(device.NextDue(), std::nullopt);
        QCOMPARE(device.ReceivedFrames().size(), std::size_t(1));
        QCOMPARE(int(device.ReceivedFrames().front()[2]), int(NotificationAck));
        device.ClearReceivedFrames();
        QVERIFY(device.ReceivedFrames().empty());
    }

    void framing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("frames");
        const QByteArray probe = F(ProbeCommand);
        QTest::newRow("plain") << probe << 1;
        QTest::newRow("junk before") << QByteArray::fromHex("0011F75B") + probe << 1;
        QTest::newRow("doubled start") << QByteArray::fromHex("F0") + probe << 1;
        QTest::newRow("missing end, then frame") << probe.left(9) + QByteArray::fromHex("00") + probe << 1;
        QTest::newRow("args F0 and F7") << F(0x42, 0xF0, 0xF7, 0xF0, 0xF7, 0xF0, 0xF7) << 1;
        QTest::newRow("two frames") << probe + F(ReadByteCommand, 0, 0x30) << 2;
        QTest::newRow("only junk") << QByteArray::fromHex("5BF70000F05B") << 0;
    }
    void framing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, frames);
        SimDevice device;
        // Byte by byte and all at once must agree.
        for (const char b : bytes)
            device.Receive(QByteArrayView(&b, 1), 10.0);
        QCOMPARE(int(device.ReceivedFrames().size()), frames);
        QCOMPARE(int(device.TakeDue(11.0).size()), frames * ReplyBytes);
        SimDevice whole;
        whole.Receive(bytes, 10.0);
        QCOMPARE(whole.ReceivedFrames(), device.ReceivedFrames());
        if (frames > 0)
            QCOMPARE(QByteArray(reinterpret_cast<const char *>(device.ReceivedFrames().back().data()), ReplyBytes),
                     bytes.right(ReplyBytes));
    }

    void stalePartialFrameIsDropped_data()
    {
        QTest::addColumn<double>("gap");
        QTest::addColumn<int>("frames");
        QTest::newRow("resumed in time") << 0.4 << 1;
        QTest::newRow("given up") << 0.6 << 0;
    }
    void stalePartialFrameIsDropped()
    {
        QFETCH(double, gap);
        QFETCH(int, frames);
        SimDevice device;
        const QByteArray probe = F(ProbeCommand);
        device.Receive(probe.left(5), 10.0);
        device.Receive(probe.mid(5), 10.0 + gap);
        QCOMPARE(int(device.ReceivedFrames().size()), frames);
        // Whatever happened, the next frame is understood.
        device.Receive(probe, 12.0);
        QCOMPARE(int(device.ReceivedFrames().size()), frames + 1);
    }

    void defaultMemory()
    {
        const SimDevice device;
        for (int slot = 0; slot < 16; ++slot) {
            const bool used = slot == 0 || slot == 1 || slot == 4 || slot == 9;
            QCOMPARE(int(device.MemoryByte(0x0030 + slot)), used ? 0x55 : 0x00);
            Preset p;
            for (int i = 0; i < 160; ++i)
                p[static_cast<std::size_t>(i)] = device.MemoryByte(0x0120 + 160 * slot + i);
            QVERIFY2(PresetValid(p), qPrintable(QString::number(slot)));
        }
        QCOMPARE(MemoryBytesAt(device, 0x0F20, 8), QByteArray("  Hall  "));
        QCOMPARE(MemoryBytesAt(device, 0x0F28, 8), QByteArray("  Stage "));
        QCOMPARE(MemoryBytesAt(device, 0x0F40, 8), QByteArray(" Chapel "));
        QCOMPARE(MemoryBytesAt(device, 0x0F68, 8), QByteArray("   Gym  "));
        QCOMPARE(MemoryBytesAt(device, 0x0070, 8), QByteArray("Preset01"));
        QCOMPARE(device.CurrentSettings(), FixedPreset(0));
        QCOMPARE(int(device.MemoryByte(0x0000)), 0xFF);
        QCOMPARE(int(device.MemoryByte(0x0078)), 0xFF);
        QVERIFY(!device.StateChanged());
        QCOMPARE(SimDevice().SaveState(), device.SaveState());
    }

    void usedSlotsDiffer()
    {
        const SimDevice device;
        const std::array<int, 4> used = {0, 1, 4, 9};
        for (std::size_t a = 0; a < used.size(); ++a)
            for (std::size_t b = a + 1; b < used.size(); ++b)
                QVERIFY(MemoryBytesAt(device, 0x0120 + 160 * used[a], 160)
                        != MemoryBytesAt(device, 0x0120 + 160 * used[b], 160));
    }

    void fixedPresetsAreValidAndDistinct()
    {
        for (int i = 0; i < FixedPresetCount; ++i) {
            QVERIFY2(PresetValid(FixedPreset(i)), qPrintable(QString::number(i)));
            for (int j = i + 1; j < FixedPresetCount; ++j)
                QVERIFY(FixedPreset(i) != FixedPreset(j));
        }
    }

    void centredName_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("centred");
        QTest::newRow("empty") << QByteArray() << QByteArray("        ");
        QTest::newRow("one") << QByteArray("A") << QByteArray("    A   ");
        QTest::newRow("even") << QByteArray("Hall") << QByteArray("  Hall  ");
        QTest::newRow("odd") << QByteArray("Stage") << QByteArray("  Stage ");
        QTest::newRow("seven") << QByteArray("Theatre") << QByteArray(" Theatre");
        QTest::newRow("full") << QByteArray("Preset01") << QByteArray("Preset01");
        QTest::newRow("too long") << QByteArray("Auditorium") << QByteArray("Auditori");
    }
    void centredName()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, centred);
        const Name n = CentredName(name);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(n.data()), NameBytes), centred);
    }

    void stateRoundTrip()
    {
        SimDevice device;
        Exchange(device, F(WriteByteCommand, 0x0A, 0x00, 0, 0x5A), 10.0);
        Exchange(device, F(NotchFilterCommand, 1, 4, 0, 200, 1, 40), 11.0);
        const QByteArray state = device.SaveState();
        QCOMPARE(state.size(), 10 + 4096 + 160);
        QVERIFY(state.startsWith("KSR704SIM1"));

        SimDevice other;
        QVERIFY(other.LoadState(state));
        QCOMPARE(other.SaveState(), state);
        QCOMPARE(int(other.MemoryByte(0x0A00)), 0x5A);
        QCOMPARE(other.CurrentSettings(), device.CurrentSettings());
        QVERIFY(other.StateChanged());
    }

    void stateChangeTracking()
    {
        SimDevice device;
        QVERIFY(!device.StateChanged());
        Exchange(device, F(WriteByteCommand, 0x05, 0x00, 0, 0x11), 10.0);
        QVERIFY(device.StateChanged());
        device.MarkSaved();
        QVERIFY(!device.StateChanged());
        // The same value again changes nothing; reading changes nothing.
        Exchange(device, F(WriteByteCommand, 0x05, 0x00, 0, 0x11), 11.0);
        Exchange(device, F(ReadByteCommand, 0x05, 0x00), 12.0);
        Exchange(device, F(ReadPresetCommand, CurrentSettingsSelector), 13.0);
        QVERIFY(!device.StateChanged());
        Exchange(device, F(SearchModesCommand, 1, 0, 0, 1, 0), 14.0);
        QVERIFY(device.StateChanged());
    }

    void badStateIsRefused_data()
    {
        QTest::addColumn<QByteArray>("state");
        const QByteArray good = [] {
            SimDevice d;
            d.SetMemoryByte(0x500, 1);
            return d.SaveState();
        }();
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("magic only") << QByteArray("KSR704SIM1");
        QTest::newRow("one byte short") << good.left(good.size() - 1);
        QTest::newRow("one byte long") << good + '\0';
        QByteArray otherVersion = good;
        otherVersion[9] = '2';
        QTest::newRow("other version") << otherVersion;
        QByteArray lowerCase = good;
        lowerCase[0] = 'k';
        QTest::newRow("wrong magic") << lowerCase;
    }
    void badStateIsRefused()
    {
        QFETCH(QByteArray, state);
        SimDevice device;
        const QByteArray before = device.SaveState();
        QVERIFY(!device.LoadState(state));
        QCOMPARE(device.SaveState(), before);
        QVERIFY(!device.StateChanged());
    }

    void faultAnswerSizes_data()
    {
        QTest::addColumn<Faults>("faults");
        QTest::addColumn<QList<QByteArray>>("frames");
        QTest::addColumn<QList<int>>("sizes");
        const QByteArray probe = F(ProbeCommand);
        const QByteArray read = F(ReadByteCommand, 0, 0x30);
        const QByteArray block = F(ReadPresetCommand, CurrentSettingsSelector);
        const QByteArray ack = F(NotificationAck);
        Faults f;
        QTest::newRow("none") << f << QList{probe, block, ack} << QList{10, 160, 0};
        f = {};
        f.silentReplies = 2;
        QTest::newRow("silent 2, acks not counted") << f << QList{probe, ack, read, probe} << QList{0, 0, 0, 10};
        f = {};
        f.silentReplies = -1;
        QTest::newRow("silent for good") << f << QList{probe, read, block, probe} << QList{0, 0, 0, 0};
        f = {};
        f.extraBytes = 3;
        QTest::newRow("extra") << f << QList{probe, block} << QList{13, 163};
        f = {};
        f.truncateBlock = 100;
        QTest::newRow("truncate block only") << f << QList{probe, block} << QList{10, 100};
        f = {};
        f.truncateBlock = 0;
        QTest::newRow("truncate to nothing") << f << QList{block} << QList{0};
        f = {};
        f.garbage = true;
        QTest::newRow("garbage block") << f << QList{block} << QList{10};
        f = {};
        f.silentReplies = -1;
        f.onlyCommand = ReadByteCommand;
        QTest::newRow("only command") << f << QList{probe, read, probe, read} << QList{10, 0, 10, 0};
        f = {};
        f.extraBytes = 1;
        f.count = 2;
        QTest::newRow("count") << f << QList{probe, block, probe} << QList{11, 161, 10};
        f = {};
        f.silentReplies = -1;
        f.count = 2;
        QTest::newRow("count ends silence") << f << QList{probe, probe, probe} << QList{0, 0, 10};
        f = {};
        f.extraBytes = 1;
        f.onlyCommand = ReadByteCommand;
        f.count = 1;
        QTest::newRow("count with only command") << f << QList{probe, read, probe, read} << QList{10, 11, 10, 10};
        f = {};
        f.truncateBlock = 5;
        f.count = 1;
        QTest::newRow("count skips unaffected") << f << QList{probe, block, block} << QList{10, 5, 160};
        f = {};
        f.silentReplies = 1;
        f.onlyCommand = ReadPresetCommand;
        f.skipAnswers = 1;
        QTest::newRow("after the first block") << f << QList{block, probe, block, block} << QList{160, 10, 0, 160};
    }
    void faultAnswerSizes()
    {
        QFETCH(Faults, faults);
        QFETCH(QList<QByteArray>, frames);
        QFETCH(QList<int>, sizes);
        SimDevice device;
        device.SetFaults(faults);
        QList<int> got;
        for (qsizetype i = 0; i < frames.size(); ++i)
            got.append(int(Exchange(device, frames[i], 10.0 + static_cast<double>(i)).size()));
        QCOMPARE(got, sizes);
    }

    void countSwitchesFaultsOff()
    {
        SimDevice device;
        Faults f;
        f.garbage = true;
        f.replyDelay = 0.25;
        f.count = 1;
        device.SetFaults(f);
        Exchange(device, F(ProbeCommand));
        QCOMPARE(device.ActiveFaults().garbage, false);
        QCOMPARE(device.ActiveFaults().replyDelay, 0.0);
        QCOMPARE(device.ActiveFaults().count, -1);
    }

    void extraBytesAreZeros()
    {
        SimDevice device;
        Faults f;
        f.extraBytes = 2;
        device.SetFaults(f);
        const QByteArray probe = F(ExitCommand);
        QCOMPARE(Exchange(device, probe), probe + QByteArray(2, '\0'));
    }

    void garbageIsNoValidReply()
    {
        SimDevice device;
        Faults f;
        f.garbage = true;
        device.SetFaults(f);
        const QByteArray reply = Exchange(device, F(ProbeCommand));
        QCOMPARE(reply.size(), ReplyBytes);
        QCOMPARE(At(reply, 0), FrameStart);
        QVERIFY(At(reply, 1) != FrameMarker);
        QVERIFY(At(reply, 3) != FrameMarker);
        QVERIFY(At(reply, 9) != FrameEnd);
    }

    void replyDelay()
    {
        SimDevice device;
        Faults f;
        f.replyDelay = 0.2;
        device.SetFaults(f);
        device.Receive(F(ProbeCommand), 10.0);
        QCOMPARE(device.NextDue(), std::optional<double>(10.0 + SimDevice::ReplyTurnaround + 0.2));
        QVERIFY(device.TakeDue(10.2).isEmpty());
        QCOMPARE(device.TakeDue(10.3).size(), ReplyBytes);
    }

    void splitAnswer_data()
    {
        QTest::addColumn<int>("splitAt");
        QTest::addColumn<int>("first");
        QTest::newRow("after 3") << 3 << 3;
        QTest::newRow("after 9") << 9 << 9;
        QTest::newRow("at the end: whole") << 10 << 10;
    }
    void splitAnswer()
    {
        QFETCH(int, splitAt);
        QFETCH(int, first);
        SimDevice device;
        Faults f;
        f.splitAt = splitAt;
        f.splitDelay = 0.1;
        device.SetFaults(f);
        const QByteArray frame = F(ExitCommand, 1, 2, 3);
        device.Receive(frame, 10.0);
        const double due = 10.0 + SimDevice::ReplyTurnaround;
        const QByteArray head = device.TakeDue(due);
        QCOMPARE(head.size(), first);
        QCOMPARE(head + device.TakeDue(due + 0.1), frame);
    }

    void delayedAnswerKeepsOrder()
    {
        SimDevice device;
        Faults f;
        f.replyDelay = 0.3;
        f.count = 1;
        device.SetFaults(f);
        const QByteArray exit = F(ExitCommand);
        const QByteArray read = F(ReadByteCommand, 0, 0x30);
        device.Receive(exit, 10.0);
        device.Receive(read, 10.01);
        // The second answer is due first but cannot overtake the first.
        QVERIFY(device.TakeDue(10.2).isEmpty());
        const QByteArray out = device.TakeDue(10.31);
        QCOMPARE(out.left(ReplyBytes), exit);
        QCOMPARE(out.size(), 2 * ReplyBytes);
        QCOMPARE(int(At(out, 16)), 0x55);
    }
};

QTEST_GUILESS_MAIN(TestSimDevice)
#include "tst_simdevice.moc"
