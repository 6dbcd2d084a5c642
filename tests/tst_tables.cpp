// The value tables: frequency grid and its text forms, display texts, the flat
// preset, default names and the offsets into the preset image.

#include "core/Tables.h"

#include <QTest>

#include <cmath>
#include <numeric>

using namespace ksr;

class TablesTest : public QObject {
    Q_OBJECT
private slots:
    void frequencyGridIsAscendingFrom20To20000()
    {
        QCOMPARE(FreqTable.front(), 20.0);
        QCOMPARE(FreqTable.back(), 20000.0);
        for (std::size_t i = 1; i < FreqTable.size(); ++i)
            QVERIFY2(FreqTable[i] > FreqTable[i - 1], qPrintable(QString::number(i)));
    }

    void frequencyGridHasTwoDecimalsBelowEntry413()
    {
        // Entries 0..412 carry at most two decimals, entries 413.. are whole.
        for (std::size_t i = 0; i < FreqTable.size(); ++i) {
            const double hundredths = FreqTable[i] * 100.0;
            QVERIFY2(std::abs(hundredths - std::round(hundredths)) < 1e-6, qPrintable(QString::number(i)));
            if (i >= 413)
                QCOMPARE(FreqTable[i], std::round(FreqTable[i]));
        }
        QCOMPARE(FreqTable[412], 993.6);
    }

    void frequencyGridSpotValues_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<double>("hz");
        QTest::addColumn<QString>("text");
        QTest::newRow("first") << 0 << 20.0 << "20";
        QTest::newRow("second") << 1 << 20.05 << "20.05";
        QTest::newRow("third") << 2 << 20.1 << "20.1";
        QTest::newRow("16") << 16 << 23.0 << "23";
        QTest::newRow("flat preset") << 266 << 247.9 << "247.9";
        QTest::newRow("300") << 300 << 342.5 << "342.5";
        QTest::newRow("first whole") << 413 << 1003.0 << "1003";
        QTest::newRow("419") << 419 << 1062.0 << "1062";
        QTest::newRow("655") << 655 << 10015.0 << "10015";
        QTest::newRow("727") << 727 << 19859.0 << "19859";
        QTest::newRow("728") << 728 << 19900.0 << "19900";
        QTest::newRow("last") << 729 << 20000.0 << "20000";
    }
    void frequencyGridSpotValues()
    {
        QFETCH(int, index);
        QFETCH(double, hz);
        QFETCH(QString, text);
        QCOMPARE(FreqTable[static_cast<std::size_t>(index)], hz);
        QCOMPARE(FrequencyText(FreqTable[static_cast<std::size_t>(index)]), text);
    }

    void frequencyGridSumMatchesTheDeviceList()
    {
        // The sum of all 730 values as the device lists them, in hundredths:
        // catches a mistyped entry anywhere in the table.
        const double sum = std::accumulate(FreqTable.begin(), FreqTable.end(), 0.0);
        QCOMPARE(std::llround(sum * 100.0), 213626345LL);
    }

    void everyFrequencyTextReadsBackAsItsValue()
    {
        for (double hz : FreqTable) {
            const QString text = FrequencyText(hz);
            QVERIFY2(!text.contains(QLatin1Char('e')), qPrintable(text));
            if (text.contains(QLatin1Char('.')))
                QVERIFY2(!text.endsWith(QLatin1Char('0')), qPrintable(text));
            QCOMPARE(text.toDouble(), hz);
        }
    }

    void displayTexts()
    {
        QCOMPARE(QString::fromLatin1(WidthText[0]), QStringLiteral("1/70"));
        QCOMPARE(QString::fromLatin1(WidthText[3]), QStringLiteral("1/5"));
        QCOMPARE(QString::fromLatin1(AttenuationModeText[1]), QStringLiteral("Variable"));
        QCOMPARE(QString::fromLatin1(SearchModeText[0]), QStringLiteral("Sharp"));
        QCOMPARE(QString::fromLatin1(ReleaseModeText[1]), QStringLiteral("Fast"));
        QCOMPARE(GraphWidthFactor[0], 100.989);
        QCOMPARE(GraphWidthFactor[3], 7.2);
        QCOMPARE(DefaultPresetNames[0], QStringLiteral("Preset01"));
        QCOMPARE(DefaultPresetNames[9], QStringLiteral("Preset10"));
        QCOMPARE(DefaultPresetNames[15], QStringLiteral("Preset16"));
    }

    void flatPresetHalvesAreIdenticalAndFlat()
    {
        for (int i = 0; i < ChannelBytes; ++i)
            QCOMPARE(FlatPresetImage[static_cast<std::size_t>(i)], FlatPresetImage[static_cast<std::size_t>(i + 80)]);
        const std::array<std::uint8_t, 28> head = {30, 4, 24, 0, 30, 12, 24, 0, 30, 20, 24, 0, 30, 28,
                                                   24, 0, 30, 36, 24, 0, 0,  0,  0,  0, 0,  0,  0, 0};
        for (std::size_t i = 0; i < head.size(); ++i)
            QCOMPARE(FlatPresetImage[i], head[i]);
        for (int f = 0; f < FilterCount; ++f) {
            const auto o = static_cast<std::size_t>(NotchOffset[static_cast<std::size_t>(f)]);
            QCOMPARE(FlatPresetImage[o], std::uint8_t{45});
            // Frequency index 266 is stored high byte first: 1, 10.
            QCOMPARE(FlatPresetImage[o + 1] * 256 + FlatPresetImage[o + 2], 266);
            QCOMPARE(FlatPresetImage[o + 3], std::uint8_t{2});
        }
        QCOMPARE(FlatPresetImage[76], std::uint8_t{11});
        QCOMPARE(FlatPresetImage[77], std::uint8_t{2});
        QCOMPARE(FlatPresetImage[78], std::uint8_t{0});
        QCOMPARE(FlatPresetImage[79], std::uint8_t{6});
    }

    void rightOffsetsAreLeftPlus80()
    {
        QCOMPARE(NotchOffset[0], 28);
        QCOMPARE(NotchOffset[11], 72);
        QCOMPARE(NotchOffset[12], 108);
        QCOMPARE(NotchOffset[23], 152);
        for (std::size_t f = 0; f < 12; ++f)
            QCOMPARE(NotchOffset[f + 12], NotchOffset[f] + 80);
        for (const auto &table : {ReleaseOffset, SearchModeOffset, AutoCountOffset, AutoQOffset,
                                  AttenuationOffset, SensitivityOffset})
            QCOMPARE(table[1], table[0] + 80);
        QCOMPARE(ReleaseOffset[0], 20);
        QCOMPARE(SearchModeOffset[0], 21);
        QCOMPARE(AutoCountOffset[0], 76);
        QCOMPARE(SensitivityOffset[1], 159);
    }

    void pixelsPerDecadeSpans575Pixels()
    {
        QVERIFY(std::abs(PixelsPerDecade - 575.0 / 3.0) < 1e-9);
    }
};

QTEST_APPLESS_MAIN(TablesTest)
#include "tst_tables.moc"
