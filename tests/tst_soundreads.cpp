// Reads of device memory and preset blocks under faults on the line: a
// reply split across its time-out, a late one, extra and stray bytes, a
// garbled answer or block, a flood. Each read gives exactly what the device
// holds, or fails with "Time out"; never a byte it did not soundly read.

#include "support/LinkRig.h"
#include "support/ReadFaults.h"

#include "operations/MemoryReads.h"

#include <QTest>

using namespace ksr;
using namespace ksr::test;

namespace {

enum class Stray {
    None,
    // Another client's reply lands on the line during the reads.
    SharedLine,
    // Zeros without pause from the second or third read on.
    Flood,
};

constexpr int Address = 0x0F20;
constexpr int Count = 8;

} // namespace

Q_DECLARE_METATYPE(sim::Faults)
Q_DECLARE_METATYPE(Stray)
Q_DECLARE_METATYPE(ReadCheck)

class SoundReadsTest : public QObject {
    Q_OBJECT
private slots:
    void memoryIsReadExactlyOrNotAtAll_data()
    {
        QTest::addColumn<sim::Faults>("faults");
        QTest::addColumn<Stray>("stray");
        QTest::addColumn<ReadCheck>("check");
        QTest::addColumn<bool>("paced");
        QTest::addColumn<bool>("timesOut");
        using F = sim::Faults;
        // Each fault hits the third read's answer.
        const auto split = ReadFault(2, [](F &f) {
            f.splitAt = 5;
            f.splitDelay = 3.3;
        });
        const auto lateAcross = ReadFault(2, [](F &f) { f.replyDelay = 3.16; });
        const auto lateAfter = ReadFault(2, [](F &f) { f.replyDelay = 3.19; });
        const auto extra = ReadFault(2, [](F &f) { f.extraBytes = 3; });
        const auto garbled = ReadFault(2, [](F &f) { f.garbage = true; });
        for (const bool paced : {false, true}) {
            const auto row = [paced](const char *name) -> QTestData & {
                return QTest::addRow("%s%s", name, paced ? ", paced" : "");
            };
            row("reply split across the time-out") << split << Stray::None << ReadCheck::Sound << paced << false;
            row("reply across the time-out") << lateAcross << Stray::None << ReadCheck::Sound << paced << false;
            row("reply just after the time-out") << lateAfter << Stray::None << ReadCheck::Sound << paced << false;
            row("extra bytes") << extra << Stray::None << ReadCheck::Sound << paced << false;
            row("shared line") << F{} << Stray::SharedLine << ReadCheck::Sound << paced << false;
            row("garbled reply, confirmed") << garbled << Stray::None << ReadCheck::Confirmed << paced << false;
            row("split, confirmed") << split << Stray::None << ReadCheck::Confirmed << paced << false;
            row("flood") << F{} << Stray::Flood << ReadCheck::Sound << paced << true;
        }
    }
    void memoryIsReadExactlyOrNotAtAll()
    {
        QFETCH(sim::Faults, faults);
        QFETCH(Stray, stray);
        QFETCH(ReadCheck, check);
        QFETCH(bool, paced);
        QFETCH(bool, timesOut);
        LinkRig rig;
        if (paced)
            rig.port.SetLinePace(WireByteSeconds);
        const QByteArray held = QByteArray::fromHex("2053686f77312020");
        for (int i = 0; i < Count; ++i)
            rig.device.SetMemoryByte(Address + i, static_cast<std::uint8_t>(held[i]));
        rig.device.SetFaults(faults);
        // Within the second or third exchange.
        const double strayAt = rig.clock.NowSeconds() + (paced ? 0.1 : 0.0003);
        if (stray == Stray::SharedLine)
            rig.port.InjectBytes(QByteArray::fromHex("F05B10FFFF00EE0000F7"), strayAt);
        if (stray == Stray::Flood)
            InjectFlood(rig.port, strayAt, 30.0);

        const std::optional<QByteArray> read = ReadMemoryBytes(rig.state, rig.link, Address, Count, check);
        if (timesOut) {
            QVERIFY(!read);
            QCOMPARE(rig.dialogs.Texts(), QStringList{QStringLiteral("Time out")});
            QCOMPARE(rig.end.exitCodes, QList<int>{TimeOutExitCode});
            return;
        }
        QVERIFY(read);
        QCOMPARE(read->toHex(' '), held.toHex(' '));
        QVERIFY(rig.dialogs.Texts().isEmpty());
    }

    // A block garbled whole, or cut and resent, or followed by stray bytes:
    // confirmed reads give the device's block or none.
    void blockIsReadExactlyOrNotAtAll_data()
    {
        QTest::addColumn<sim::Faults>("faults");
        QTest::addColumn<ReadCheck>("check");
        QTest::addColumn<bool>("read");
        sim::Faults corrupt;
        corrupt.corruptBlock = true;
        corrupt.count = 1;
        sim::Faults corruptEver;
        corruptEver.corruptBlock = true;
        sim::Faults split;
        split.splitAt = 100;
        split.splitDelay = 18.2;
        split.count = 1;
        sim::Faults extra;
        extra.extraBytes = 5;
        extra.count = 1;
        QTest::newRow("garbled block, confirmed") << corrupt << ReadCheck::Confirmed << true;
        QTest::newRow("block split across the time-out") << split << ReadCheck::Sound << true;
        QTest::newRow("block with extra bytes") << extra << ReadCheck::Sound << true;
        // Always garbled the same way: two blocks agree, as on a device
        // that holds them.
        QTest::newRow("always garbled, confirmed") << corruptEver << ReadCheck::Confirmed << true;
    }
    void blockIsReadExactlyOrNotAtAll()
    {
        QFETCH(sim::Faults, faults);
        QFETCH(ReadCheck, check);
        QFETCH(bool, read);
        LinkRig rig;
        rig.port.SetLinePace(WireByteSeconds);
        sim::Preset settings{};
        for (std::size_t i = 0; i < settings.size(); ++i)
            settings[i] = static_cast<std::uint8_t>(i * 7);
        rig.device.SetCurrentSettings(settings);
        rig.device.SetFaults(faults);
        const std::optional<BlockArray> block =
            ReadPresetBlockSoundly(rig.state, rig.link, CurrentSettingsSelector, check);
        QCOMPARE(block.has_value(), read);
        if (!faults.corruptBlock || faults.count > 0)
            QVERIFY(std::equal(block->begin(), block->end(), settings.begin()));
        QCOMPARE(rig.port.ReceiveSize(), ReplyBytes);
    }
};

QTEST_MAIN(SoundReadsTest)
#include "tst_soundreads.moc"
