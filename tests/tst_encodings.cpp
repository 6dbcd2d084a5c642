// Snapping typed values to the device's grid, cutting values into bytes and
// decoding the device's reports.

#include "core/Encodings.h"
#include "core/Protocol.h"
#include "core/Tables.h"

#include <QTest>

using namespace ksr;

class EncodingsTest : public QObject {
    Q_OBJECT
private slots:
    void nearestGainStep_data()
    {
        QTest::addColumn<double>("db");
        QTest::addColumn<int>("step");
        QTest::newRow("tie goes to the lower gain") << -12.5 << 32;
        QTest::newRow("just above the tie") << -12.4 << 33;
        QTest::newRow("just below the tie") << -12.6 << 32;
        QTest::newRow("bottom") << -45.0 << 0;
        QTest::newRow("top") << 0.0 << 45;
        QTest::newRow("below the range") << -50.0 << 0;
        QTest::newRow("whole value") << -20.0 << 25;
        QTest::newRow("tie at the top") << -0.5 << 44;
    }
    void nearestGainStep()
    {
        QFETCH(double, db);
        QFETCH(int, step);
        QCOMPARE(NearestGainStep(db), step);
    }

    void nearestTableFrequency_data()
    {
        QTest::addColumn<double>("hz");
        QTest::addColumn<int>("index");
        QTest::newRow("first") << 20.0 << 0;
        QTest::newRow("last") << 20000.0 << 729;
        QTest::newRow("below the grid") << 15.0 << 0;
        QTest::newRow("tie 20/20.05 goes low") << 20.025 << 0;
        QTest::newRow("tie 1003/1012 goes low") << 1007.5 << 413;
        QTest::newRow("nearer the upper") << 1008.0 << 414;
        QTest::newRow("tie 19900/20000 goes low") << 19950.0 << 728;
        QTest::newRow("1000 Hz") << 1000.0 << 413;
        QTest::newRow("exact 247.9") << 247.9 << 266;
        QTest::newRow("above the grid") << 25000.0 << 0;
    }
    void nearestTableFrequency()
    {
        QFETCH(double, hz);
        QFETCH(int, index);
        QCOMPARE(NearestFrequencyIndex(hz), index);
        QCOMPARE(NearestTableFrequency(hz), FreqTable[static_cast<std::size_t>(index)]);
    }

    void everyTableFrequencyMapsToItsOwnIndex()
    {
        for (int i = 0; i < FrequencyCount; ++i)
            QCOMPARE(NearestFrequencyIndex(FreqTable[static_cast<std::size_t>(i)]), i);
    }

    void nearestSensitivity_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("sensitivity");
        QTest::newRow("zero") << 0.0 << 1;
        QTest::newRow("tie goes low") << 8.5 << 8;
        QTest::newRow("past the tie") << 8.51 << 9;
        QTest::newRow("above the range") << 40.0 << 16;
        QTest::newRow("top") << 16.0 << 16;
        QTest::newRow("bottom") << 1.0 << 1;
    }
    void nearestSensitivity()
    {
        QFETCH(double, value);
        QFETCH(int, sensitivity);
        QCOMPARE(NearestSensitivity(value), sensitivity);
    }

    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("stops at a stray mark") << "12?" << 12.0;
        QTest::newRow("ASCII blanks and a sign") << " \t\v-12.5dB" << -12.5;
        QTest::newRow("plus sign") << "+7" << 7.0;
        QTest::newRow("point first") << ".5" << 0.5;
        QTest::newRow("point last") << "5." << 5.0;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("exponent is not read") << "1e5" << 1.0;
        QTest::newRow("sign alone") << "-" << 0.0;
        QTest::newRow("point alone") << "-." << 0.0;
        QTest::newRow("two signs") << "+-3" << 0.0;
        QTest::newRow("no-break space is no blank") << "\u00a05" << 0.0;
        QTest::newRow("non-ASCII digit") << "\u0663" << 0.0;
        QTest::newRow("digits after a non-ASCII digit") << "4\u06635" << 4.0;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(LeadingNumber(text), value);
    }

    void splitToBytes_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("729") << 729.0 << QByteArray::fromHex("000002D9");
        QTest::newRow("300") << 300.0 << QByteArray::fromHex("0000012C");
        QTest::newRow("112") << 112.0 << QByteArray::fromHex("00000070");
        QTest::newRow("266") << 266.0 << QByteArray::fromHex("0000010A");
        QTest::newRow("2.5 to even") << 2.5 << QByteArray::fromHex("00000002");
        QTest::newRow("3.5 to even") << 3.5 << QByteArray::fromHex("00000004");
        QTest::newRow("address 0x0F9F") << 3999.0 << QByteArray::fromHex("00000F9F");
        QTest::newRow("all four bytes") << 4278255360.0 << QByteArray::fromHex("FF00FF00");
        QTest::newRow("largest") << 4294967295.0 << QByteArray::fromHex("FFFFFFFF");
        QTest::newRow("negative is clamped") << -3.0 << QByteArray::fromHex("00000000");
    }
    void splitToBytes()
    {
        QFETCH(double, value);
        QFETCH(QByteArray, bytes);
        const auto split = SplitToBytes(value);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(split.data()), 4), bytes);
    }

    // Each range is taken up to its last value and refused one above it; a
    // gain report is taken whatever its frequency and width bytes hold.
    void decodeReport_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("filter"); // -1: refused
        QTest::addColumn<int>("frequencyIndex");
        QTest::addColumn<int>("widthIndex");
        QTest::addColumn<int>("gainStep");
        QTest::newRow("notch, Right row 3") << QByteArray::fromHex("FE0103012C0214") << 15 << 300 << 2 << 20;
        QTest::newRow("notch, every range at its top") << QByteArray::fromHex("FE000B02D9032D") << 11 << 729 << 3 << 45;
        QTest::newRow("any channel byte but 0 is Right") << QByteArray::fromHex("FD070000000000") << 12 << 0 << 0 << 0;
        QTest::newRow("gain report, stray frequency and width")
            << QByteArray::fromHex("FD0005FFFF092D") << 5 << 0xFFFF << 9 << 45;
        QTest::newRow("filter 12") << QByteArray::fromHex("FD000C0000002D") << -1 << 0 << 0 << 0;
        QTest::newRow("gain 46") << QByteArray::fromHex("FE000502D9032E") << -1 << 0 << 0 << 0;
        QTest::newRow("notch frequency 730") << QByteArray::fromHex("FE000502DA0314") << -1 << 0 << 0 << 0;
        QTest::newRow("notch width 4") << QByteArray::fromHex("FE000502D90414") << -1 << 0 << 0 << 0;
        QTest::newRow("unknown type") << QByteArray::fromHex("FC0103012C0214") << -1 << 0 << 0 << 0;
    }
    void decodeReport()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, filter);
        std::array<std::uint8_t, ReportUsedBytes> report{};
        std::copy(bytes.begin(), bytes.end(), report.begin());
        const std::optional<DeviceReport> decoded = DecodeReport(report);
        QCOMPARE(decoded.has_value(), filter >= 0);
        if (!decoded)
            return;
        QCOMPARE(decoded->kind, bytes.front() == char(0xFE) ? DeviceReport::Kind::Notch : DeviceReport::Kind::Gain);
        QCOMPARE(decoded->filter, filter);
        QTEST(decoded->frequencyIndex, "frequencyIndex");
        QTEST(decoded->widthIndex, "widthIndex");
        QTEST(decoded->gainStep, "gainStep");
    }

    void log10SpansThreeDecadesOverTheGrid()
    {
        QVERIFY(std::abs(Log10(20000.0) - Log10(20.0) - 3.0) < 1e-12);
        QCOMPARE(Log10(1000.0), 3.0);
    }
};

QTEST_APPLESS_MAIN(EncodingsTest)
#include "tst_encodings.moc"
