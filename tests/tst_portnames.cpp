// Port numbers 1..35 and the operating-system devices they stand for, and
// the tcp:// ports of serial device servers.

#include "core/TcpAddress.h"
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
#ifndef Q_OS_WIN
        // A tcp:// entry keeps its own colons, those of an IPv6 host too.
        QTest::newRow("tcp between paths") << "/dev/pts/7: tcp://10.0.0.5:4001 :/tmp/ksr" << 2 << "tcp://10.0.0.5:4001";
        QTest::newRow("after a tcp entry") << "/dev/pts/7:tcp://10.0.0.5:4001:/tmp/ksr" << 3 << "/tmp/ksr";
        QTest::newRow("tcp IPv6") << "tcp://[fe80::1]:4001:tcp://rack-1:4002" << 1 << "tcp://[fe80::1]:4001";
        QTest::newRow("tcp after IPv6") << "tcp://[fe80::1]:4001:tcp://rack-1:4002" << 2 << "tcp://rack-1:4002";
        QTest::newRow("tcp without port") << "tcp://rack-1" << 1 << "tcp://rack-1";
#endif
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

    void tcpAddress_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("anyPort");
        QTest::addColumn<QString>("host"); // empty: refused
        QTest::addColumn<int>("port");
        QTest::newRow("IPv4") << "tcp://192.168.1.40:4001" << false << "192.168.1.40" << 4001;
        QTest::newRow("IPv6") << "tcp://[fe80::1]:4001" << false << "fe80::1" << 4001;
        QTest::newRow("host name") << "tcp://rack-1.local:23" << false << "rack-1.local" << 23;
        QTest::newRow("scheme in capitals") << "TCP://rack-1:4001" << false << "rack-1" << 4001;
        QTest::newRow("highest port") << "tcp://rack-1:65535" << false << "rack-1" << 65535;
        QTest::newRow("port 0 to listen on") << "tcp://127.0.0.1:0" << true << "127.0.0.1" << 0;
        QTest::newRow("port 0 to connect to") << "tcp://127.0.0.1:0" << false << "" << 0;
        QTest::newRow("no port") << "tcp://rack-1" << false << "" << 0;
        QTest::newRow("empty port") << "tcp://rack-1:" << false << "" << 0;
        QTest::newRow("port too high") << "tcp://rack-1:65536" << false << "" << 0;
        QTest::newRow("no host") << "tcp://:4001" << false << "" << 0;
        QTest::newRow("IPv6 without brackets") << "tcp://fe80::1:4001" << false << "" << 0;
        QTest::newRow("a path") << "tcp://rack-1:4001/ttyS0" << false << "" << 0;
        QTest::newRow("a user") << "tcp://me@rack-1:4001" << false << "" << 0;
        QTest::newRow("another scheme") << "telnet://rack-1:4001" << false << "" << 0;
    }
    void tcpAddress()
    {
        QFETCH(QString, path);
        QFETCH(bool, anyPort);
        QFETCH(QString, host);
        QFETCH(int, port);
        const std::optional<TcpAddress> address = ParseTcpAddress(path, anyPort);
        QCOMPARE(address.has_value(), !host.isEmpty());
        if (!address)
            return;
        QCOMPARE(address->host, host);
        QCOMPARE(int(address->port), port);
        // Written back, the address reads the same.
        const std::optional<TcpAddress> again = ParseTcpAddress(TcpPath(*address), anyPort);
        QVERIFY(again && again->host == host && again->port == address->port);
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
