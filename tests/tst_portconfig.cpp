// init.cfg: the 14-byte record with the little-endian port number.

#include "core/PortConfig.h"
#include "core/FileWriting.h"
#include "support/FileFaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <QTest>

using namespace ksr;

Q_DECLARE_METATYPE(ksr::PortConfigAccess)

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

    // The program creates a missing file (it writes the port found at the
    // end); the command line, which only reads, creates none.
    void missingFileReadsAsZero_data()
    {
        QTest::addColumn<PortConfigAccess>("access");
        QTest::addColumn<bool>("created");
        QTest::newRow("the program's") << PortConfigAccess::CreateMissing << true;
        QTest::newRow("read only") << PortConfigAccess::ReadOnly << false;
    }
    void missingFileReadsAsZero()
    {
        QFETCH(PortConfigAccess, access);
        QFETCH(bool, created);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("init.cfg"));
        QCOMPARE(ReadPortConfig(path, access).PortNumber(), std::int16_t{0});
        QCOMPARE(QFile::exists(path), created);
        QCOMPARE(Read(path), QByteArray());
    }

    void readOnlyReadsTheRecordAndChangesNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("init.cfg"));
        const QByteArray bytes = QByteArray::fromHex("2300AABBCCDDEEFF00112233445566778899");
        Write(path, bytes);
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
        QCOMPARE(ReadPortConfig(path, PortConfigAccess::ReadOnly).PortNumber(), std::int16_t{35});
        QCOMPARE(Read(path), bytes);
    }

    void writeKeepsTheReservedBytes()
    {
        // Only the record is read and written back: what follows it is
        // never read and not carried from start to start.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("init.cfg"));
        Write(path, QByteArray::fromHex("0300AABBCCDDEEFF00112233445566778899"));
        PortConfigRecord record = ReadPortConfig(path);
        record.SetPortNumber(5);
        QVERIFY(WritePortConfig(path, record));
        QCOMPARE(Read(path), QByteArray::fromHex("0500AABBCCDDEEFF001122334455"));
    }

    // Something named init.cfg that is no small regular file: start-up reads
    // zeros without blocking or filling memory, and a write never replaces it.
    void notARegularFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("FIFO") << "fifo" << false;
        QTest::newRow("link to /dev/zero") << "zero" << false;
        QTest::newRow("folder") << "folder" << false;
        QTest::newRow("4 GB sparse file") << "sparse" << true;
    }
    void notARegularFile()
    {
        QFETCH(QString, kind);
        QFETCH(bool, replaced);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("init.cfg"));
        if (kind == QLatin1String("fifo")) {
            QVERIFY(mkfifo(path.toLocal8Bit().constData(), 0600) == 0);
        } else if (kind == QLatin1String("zero")) {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("init.cfg")));
        } else {
            QFile sparse(path);
            QVERIFY(sparse.open(QIODevice::WriteOnly));
            QVERIFY(sparse.write(QByteArray::fromHex("0700")) == 2);
            QVERIFY(sparse.resize(qint64(4) << 30));
        }
        QCOMPARE(int(ReadPortConfig(path, PortConfigAccess::ReadOnly).PortNumber()), replaced ? 7 : 0);
        const PortConfigRecord record = ReadPortConfig(path);
        QCOMPARE(int(record.PortNumber()), replaced ? 7 : 0);
        QCOMPARE(WritePortConfig(path, record), replaced);
        const QFileInfo after(path);
        QCOMPARE(after.isFile() && !after.isSymLink() && after.size() == 14, replaced);
    }

    // A write that fails part way (the disk full, the file size limit hit)
    // leaves the file that was there, and says so.
    void failedWriteKeepsTheOldFile_data()
    {
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("file size limit") << false;
        QTest::newRow("full file system") << true;
    }
    void failedWriteKeepsTheOldFile()
    {
        QFETCH(bool, fullDisk);
        QTemporaryDir dir;
        test::SmallTmpfs tmpfs;
        const QString folder = fullDisk ? tmpfs.Path() : dir.path();
        if (fullDisk && !tmpfs.IsMounted())
            QSKIP("mounting a small tmpfs needs root and mount rights; the file size limit row covers the same path");
        const QString path = QDir(folder).filePath(QStringLiteral("old.Fbk"));
        const QByteArray old(161, '\x11');
        Write(path, old);
        const QString config = QDir(folder).filePath(QStringLiteral("init.cfg"));
        Write(config, QByteArray::fromHex("0300"));

        QString error;
        bool written = true;
        bool configWritten = true;
        if (fullDisk) {
            tmpfs.Fill();
            written = ReplaceFileContents(path, QByteArray(161, '\x22'), &error);
            configWritten = WritePortConfig(config, PortConfigRecord{});
        } else {
            test::FileSizeLimit limit(100);
            QVERIFY(limit.IsSet());
            written = ReplaceFileContents(path, QByteArray(161, '\x22'), &error);
            configWritten = WritePortConfig(config, PortConfigRecord{});
        }
        QVERIFY(!written);
        QVERIFY(!error.isEmpty());
        QCOMPARE(Read(path), old);
        if (fullDisk) {
            // The record is smaller than the limit: only the full disk stops it.
            QVERIFY(!configWritten);
            QCOMPARE(Read(config), QByteArray::fromHex("0300"));
        } else {
            QVERIFY(configWritten);
        }
        // No temporary file is left behind.
        QCOMPARE(QDir(folder).entryList(QDir::Files).filter(QStringLiteral("old.Fbk")).size(), 1);
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
