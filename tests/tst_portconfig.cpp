// init.cfg: the 14-byte record with the little-endian port number.

#include "shell/PortConfig.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace ksr;

namespace {

void Write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray Read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class PortConfigTest : public QObject {
    Q_OBJECT
private slots:
    void readsThePortNumber_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("port");
        QTest::newRow("port 3") << QByteArray::fromHex("0300000000000000000000000000") << 3;
        QTest::newRow("port 35") << QByteArray::fromHex("2300FFFFFFFFFFFFFFFFFFFFFFFF") << 35;
        QTest::newRow("high byte") << QByteArray::fromHex("0201") << 258;
        QTest::newRow("negative") << QByteArray::fromHex("FFFF") << -1;
        QTest::newRow("one byte") << QByteArray::fromHex("05") << 5;
        QTest::newRow("empty") << QByteArray() << 0;
    }
    void readsThePortNumber()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, port);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("init.cfg"));
        Write(path, file);
        QCOMPARE(int(ReadPortConfig(path).PortNumber()), port);
    }

    void missingFileIsCreatedEmptyAndReadsAsZero()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("init.cfg"));
        QCOMPARE(ReadPortConfig(path).PortNumber(), std::int16_t{0});
        QVERIFY(QFile::exists(path));
        QCOMPARE(Read(path), QByteArray());
    }

    void writeKeepsTheReservedBytesAndAnyTail()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("init.cfg"));
        Write(path, QByteArray::fromHex("0300AABBCCDDEEFF00112233445566778899"));
        PortConfigRecord record = ReadPortConfig(path);
        record.SetPortNumber(5);
        QVERIFY(WritePortConfig(path, record));
        QCOMPARE(Read(path), QByteArray::fromHex("0500AABBCCDDEEFF00112233445566778899"));
    }

    void newFileIsTheRecordAlone()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("init.cfg"));
        PortConfigRecord record;
        record.SetPortNumber(3);
        QVERIFY(WritePortConfig(path, record));
        QCOMPARE(Read(path), QByteArray::fromHex("0300000000000000000000000000"));
    }

    void unwritableFileIsReportedNotFatal()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("missing-folder/init.cfg"));
        QCOMPARE(ReadPortConfig(path).PortNumber(), std::int16_t{0});
        QVERIFY(!WritePortConfig(path, PortConfigRecord{}));
    }
};

QTEST_GUILESS_MAIN(PortConfigTest)
#include "tst_portconfig.moc"
