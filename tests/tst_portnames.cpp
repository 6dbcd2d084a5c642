// Port numbers 1..35 and the operating-system devices they stand for.

#include "link/PortNames.h"

#include <QTest>

using namespace ksr;

class PortNamesTest : public QObject {
    Q_OBJECT
private slots:
    void fromTheVariable_data()
    {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("path");
        QTest::newRow("first entry") << "/dev/pts/7:/tmp/ksr" << 1 << "/dev/pts/7";
        QTest::newRow("second entry") << "/dev/pts/7:/tmp/ksr" << 2 << "/tmp/ksr";
        QTest::newRow("no entry") << "/dev/pts/7:/tmp/ksr" << 3 << "";
        QTest::newRow("port 0") << "/dev/pts/7" << 0 << "";
        QTest::newRow("negative") << "/dev/pts/7" << -1 << "";
        QTest::newRow("empty entry") << "/a::/c" << 2 << "";
        QTest::newRow("empty variable") << "" << 1 << "";
    }
    void fromTheVariable()
    {
        QFETCH(QString, variable);
        QFETCH(int, number);
        QFETCH(QString, path);
        // The system's own ports do not count while the variable is set.
        QCOMPARE(PortDevicePath(number, variable, true, {QStringLiteral("/dev/ttyS0")}), path);
    }

    void fromTheSystemSortedByPath()
    {
        const QStringList system = {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyS1"),
                                    QStringLiteral("/dev/ttyS0")};
#ifdef Q_OS_WIN
        QCOMPARE(PortDevicePath(3, QString(), false, system), QStringLiteral("COM3"));
#else
        QCOMPARE(PortDevicePath(1, QString(), false, system), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(PortDevicePath(2, QString(), false, system), QStringLiteral("/dev/ttyS1"));
        QCOMPARE(PortDevicePath(3, QString(), false, system), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(PortDevicePath(4, QString(), false, system), QString());
#endif
    }

    void environmentIsRead()
    {
        qputenv("KSR704_PORTS", "/tmp/first:/tmp/second");
        QCOMPARE(SystemPortDevicePath(2), QStringLiteral("/tmp/second"));
        QCOMPARE(SystemPortDevicePath(3), QString());
        qunsetenv("KSR704_PORTS");
    }
};

QTEST_APPLESS_MAIN(PortNamesTest)
#include "tst_portnames.moc"
