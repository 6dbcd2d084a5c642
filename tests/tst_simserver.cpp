#include "sim/LinePacer.h"
#include "sim/SimDevice.h"
#include "sim/SimOptions.h"
#include "sim/SimProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using namespace ksr::sim;

namespace {

constexpr int WaitMs = 5000;
constexpr int ReportMs = static_cast<int>(SimDevice::ReportInterval * 1000);

QByteArray F(std::uint8_t code, std::uint8_t b3 = 0, std::uint8_t b4 = 0, std::uint8_t b6 = 0)
{
    QByteArray f = QByteArray::fromHex("F05B00000000000000F7");
    f[2] = static_cast<char>(code);
    f[3] = static_cast<char>(b3);
    f[4] = static_cast<char>(b4);
    f[6] = static_cast<char>(b6);
    return f;
}

bool IsSymLink(const QString &path)
{
    struct stat info {};
    return lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISLNK(info.st_mode);
}

// The client's side of the terminal, through plain POSIX calls.
class Terminal {
public:
    explicit Terminal(const QString &path)
        : fd_(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        termios t{};
        if (fd_ >= 0 && tcgetattr(fd_, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(fd_, TCSANOW, &t);
        }
    }
    ~Terminal()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool IsOpen() const { return fd_ >= 0; }
    // Writes `frame` and reads up to `count` bytes, giving up after a while.
    QByteArray Exchange(const QByteArray &frame, int count) { return ExchangeFor(frame, count, WaitMs); }
    QByteArray ExchangeFor(const QByteArray &frame, int count, int waitMs)
    {
        if (::write(fd_, frame.constData(), static_cast<size_t>(frame.size())) != frame.size())
            return {};
        QByteArray got;
        while (got.size() < count) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, waitMs) <= 0)
                break;
            char buffer[256];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, n);
            else if (n < 0 && errno != EAGAIN)
                break;
        }
        return got;
    }

private:
    int fd_;
};

} // namespace

class TestSimServer : public QObject {
    Q_OBJECT

private slots:
    void searchReportsArriveByThemselves()
    {
        SimProcess sim;
        QVERIFY(sim.Start({QStringLiteral("--fast")}));
        Terminal terminal(sim.DevicePath());
        QVERIFY(terminal.IsOpen());
        // Start the search on Left (4 automatic notches, width 1/20): the
        // answer, then a report with no further write.
        const QByteArray start = QByteArray::fromHex("F05B0A010401000501F7");
        QCOMPARE(terminal.Exchange(start, 10), start);
        const QByteArray first = terminal.Exchange(QByteArray(), 10);
        QCOMPARE(first.size(), 10);
        QCOMPARE(std::uint8_t(first[0]), std::uint8_t{0xFE});
        QCOMPARE(int(first[1]), 0);
        QCOMPARE(int(first[2]), 0);
        QCOMPARE(int(first[5]), 1);
        // Nothing more until it is acknowledged...
        QVERIFY(terminal.ExchangeFor(QByteArray(), 10, 2 * ReportMs).isEmpty());
        // ...and the acknowledgement brings the next one.
        const QByteArray second = terminal.Exchange(F(0x30), 10);
        QCOMPARE(second.size(), 10);
        QCOMPARE(std::uint8_t(second[0]), std::uint8_t{0xFE});
        QCOMPARE(int(second[2]), 1);
        // Acknowledged and stopped in one write, well before the next report
        // is due however loaded the machine: the stop's answer, no report.
        const QByteArray stop = QByteArray::fromHex("F05B0A000401000500F7");
        QCOMPARE(terminal.Exchange(F(0x30) + stop, 10), stop);
        QVERIFY(terminal.ExchangeFor(QByteArray(), 10, 1000).isEmpty());
    }

    void badReportsOption()
    {
        SimProcess sim;
        QVERIFY(sim.Start({QStringLiteral("--fast"), QStringLiteral("--bad-reports"), QStringLiteral("1")}));
        Terminal terminal(sim.DevicePath());
        QVERIFY(terminal.IsOpen());
        const QByteArray start = QByteArray::fromHex("F05B0A020401000501F7");
        QCOMPARE(terminal.Exchange(start, 10), start);
        // Right's first notch, with a filter number past the twelfth.
        const QByteArray bad = terminal.Exchange(QByteArray(), 10);
        QCOMPARE(bad.size(), 10);
        QCOMPARE(int(bad[1]), 1);
        QCOMPARE(int(bad[2]), 12);
        // Then the real one.
        const QByteArray good = terminal.Exchange(F(0x30), 10);
        QCOMPARE(good.size(), 10);
        QCOMPARE(int(good[2]), 0);
    }

    void servesAndKeepsState()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString link = dir.filePath("dev");
        const QString state = dir.filePath("state");
        const QStringList args = {"--fast", "--log", "--link", link, "--state", state};
        const QByteArray write = F(0x11, 0x05, 0xF0, 0xF7);
        const QByteArray read = F(0x10, 0x05, 0xF0);
        {
            SimProcess sim;
            QVERIFY(sim.Start(args));
            const QString path = sim.DevicePath();
            QVERIFY(path.startsWith("/dev/"));
            QCOMPARE(QFile::symLinkTarget(link), path);
            Terminal term(link);
            QVERIFY(term.IsOpen());
            const QByteArray probe = term.Exchange(F(0x00), 10);
            QCOMPARE(probe.size(), 10);
            QCOMPARE(int(static_cast<std::uint8_t>(probe.at(3))), 0x5B);
            QCOMPARE(term.Exchange(write, 10), write);
            QCOMPARE(int(static_cast<std::uint8_t>(term.Exchange(read, 10).at(6))), 0xF7);
            QVERIFY(sim.Stop(SIGTERM));
            const QList<QByteArray> log = sim.Process().readAllStandardOutput().trimmed().split('\n');
            QCOMPARE(log, (QList<QByteArray>{"F0 5B 00 00 00 00 00 00 00 F7", write.toHex(' ').toUpper(),
                                              read.toHex(' ').toUpper()}));
            QVERIFY(!IsSymLink(link));
        }
        SimProcess again;
        QVERIFY(again.Start(args));
        Terminal term(link);
        QCOMPARE(int(static_cast<std::uint8_t>(term.Exchange(read, 10).at(6))), 0xF7);
    }

    void clientCanReopen()
    {
        SimProcess sim;
        QVERIFY(sim.Start({"--fast"}));
        const QString path = sim.DevicePath();
        for (int i = 0; i < 3; ++i) {
            Terminal term(path);
            QCOMPARE(term.Exchange(F(0x0F), 10), F(0x0F));
        }
    }

    // As a serial device server: the one client served is answered, a
    // second one is closed at once, and when the first leaves the next may
    // come.
    void tcpServesOneClientAtATime()
    {
        SimProcess sim;
        QVERIFY(sim.Start({"--fast", "--tcp", "127.0.0.1:0"}));
        const std::optional<ksr::TcpAddress> address = ksr::ParseTcpAddress(sim.PortPath());
        QVERIFY(address);
        const auto exchange = [](QTcpSocket &client) {
            client.write(F(0x0F));
            QByteArray got;
            while (got.size() < 10 && client.waitForReadyRead(WaitMs))
                got += client.readAll();
            return got;
        };
        QTcpSocket first;
        first.connectToHost(address->host, address->port);
        QVERIFY(first.waitForConnected(WaitMs));
        QCOMPARE(exchange(first), F(0x0F));
        QTcpSocket second;
        second.connectToHost(address->host, address->port);
        QVERIFY(second.waitForConnected(WaitMs));
        QVERIFY(second.state() == QAbstractSocket::UnconnectedState || second.waitForDisconnected(WaitMs));
        QCOMPARE(exchange(first), F(0x0F));
        first.disconnectFromHost();
        // Once the simulator has seen the first client go, it serves the
        // next; one that comes sooner is refused, and tries again.
        QByteArray answer;
        const QDeadlineTimer deadline(WaitMs);
        while (answer.isEmpty() && !deadline.hasExpired()) {
            QTcpSocket third;
            third.connectToHost(address->host, address->port);
            if (third.waitForConnected(WaitMs))
                answer = exchange(third);
            if (answer.isEmpty())
                QTest::qSleep(50);
        }
        QCOMPARE(answer, F(0x0F));
    }

    void endsCleanlyOnSignal_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
    }
    void endsCleanlyOnSignal()
    {
        QFETCH(int, signal);
        QTemporaryDir dir;
        const QString link = dir.filePath("dev");
        // An old link is replaced.
        QVERIFY(QFile::link("/nonexistent", link));
        SimProcess sim;
        QVERIFY(sim.Start({"--fast", "--link", link}));
        QVERIFY(IsSymLink(link));
        QVERIFY(QFile::symLinkTarget(link) != "/nonexistent");
        QVERIFY(sim.Stop(signal));
        QVERIFY(!IsSymLink(link));
    }

    void refusesBadStateFile()
    {
        QTemporaryDir dir;
        const QString state = dir.filePath("state");
        const QString link = dir.filePath("dev");
        QFile file(state);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a simulator state");
        file.close();
        SimProcess sim;
        QVERIFY(!sim.Start({"--fast", "--state", state, "--link", link}));
        // Start() saw it end without printing a path.
        QCOMPARE(sim.Process().state(), QProcess::NotRunning);
        QVERIFY(sim.Process().exitCode() != 0);
        QVERIFY(sim.Process().readAllStandardError().contains("not a valid"));
        QVERIFY(!IsSymLink(link));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("not a simulator state"));
    }

    void faultOptions_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("silent");
        QTest::addColumn<double>("delay");
        QTest::addColumn<int>("splitAt");
        QTest::addColumn<double>("splitDelay");
        QTest::addColumn<int>("extra");
        QTest::addColumn<int>("truncate");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("badReports");
        QTest::addColumn<int>("after");
        QTest::newRow("none") << QStringList{} << 0 << 0.0 << 0 << 0.0 << 0 << -1 << -1 << -1 << 0 << 0;
        QTest::newRow("silent for good") << QStringList{"--silent", "-1"} << -1 << 0.0 << 0 << 0.0 << 0 << -1 << -1 << -1 << 0 << 0;
        QTest::newRow("delay and split") << QStringList{"--reply-delay", "250", "--split", "3:40"}
                                         << 0 << 0.25 << 3 << 0.04 << 0 << -1 << -1 << -1 << 0 << 0;
        QTest::newRow("extra, truncate") << QStringList{"--extra", "2", "--truncate-block", "80"}
                                         << 0 << 0.0 << 0 << 0.0 << 2 << 80 << -1 << -1 << 0 << 0;
        QTest::newRow("hex command, count") << QStringList{"--fault-command", "0x0B", "--fault-count", "3"}
                                            << 0 << 0.0 << 0 << 0.0 << 0 << -1 << 0x0B << 3 << 0 << 0;
        QTest::newRow("after") << QStringList{"--fault-after", "2"} << 0 << 0.0 << 0 << 0.0 << 0 << -1 << -1 << -1 << 0 << 2;
        QTest::newRow("bad reports") << QStringList{"--bad-reports", "4"} << 0 << 0.0 << 0 << 0.0 << 0 << -1 << -1 << -1 << 4 << 0;
    }
    void faultOptions()
    {
        QFETCH(QStringList, args);
        const auto parsed = ParseSimOptions(QStringList{"ksr704-sim"} + args);
        QVERIFY(std::holds_alternative<SimOptions>(parsed));
        const Faults &f = std::get<SimOptions>(parsed).faults;
        QTEST(f.silentReplies, "silent");
        QTEST(f.replyDelay, "delay");
        QTEST(f.splitAt, "splitAt");
        QTEST(f.splitDelay, "splitDelay");
        QTEST(f.extraBytes, "extra");
        QTEST(f.truncateBlock, "truncate");
        QTEST(f.onlyCommand, "command");
        QTEST(f.count, "count");
        QTEST(f.badReports, "badReports");
        QTEST(f.skipAnswers, "after");
    }

    void badOptions_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("split without delay") << QStringList{"--split", "3"};
        QTest::newRow("split at 0") << QStringList{"--split", "0:10"};
        QTest::newRow("silent -2") << QStringList{"--silent", "-2"};
        QTest::newRow("baud 0") << QStringList{"--baud", "0"};
        QTest::newRow("negative delay") << QStringList{"--reply-delay", "-5"};
        QTest::newRow("negative report interval") << QStringList{"--report-every", "-100"};
        QTest::newRow("command too big") << QStringList{"--fault-command", "256"};
        QTest::newRow("bad reports -1") << QStringList{"--bad-reports", "-1"};
        QTest::newRow("after -1") << QStringList{"--fault-after", "-1"};
        QTest::newRow("bad reports without N") << QStringList{"--bad-reports"};
        QTest::newRow("unknown option") << QStringList{"--loud"};
        QTest::newRow("stray argument") << QStringList{"extra"};
        QTest::newRow("tcp without port") << QStringList{"--tcp", "127.0.0.1"};
        QTest::newRow("tcp with a link") << QStringList{"--tcp", "127.0.0.1:0", "--link", "/tmp/ksr704"};
        QTest::newRow("drop without tcp") << QStringList{"--drop-after", "3"};
        QTest::newRow("drop after 0") << QStringList{"--tcp", "127.0.0.1:0", "--drop-after", "0"};
    }
    // Refused by the parser, and by the program with exit status 2, as the
    // other two programs refuse their bad options.
    void badOptions()
    {
        QFETCH(QStringList, args);
        QVERIFY(std::holds_alternative<OptionError>(ParseSimOptions(QStringList{"ksr704-sim"} + args)));
        QProcess sim;
        sim.start(QStringLiteral(KSR704_SIM_PATH), args);
        QVERIFY(sim.waitForFinished(WaitMs));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 2);
        QVERIFY(sim.readAllStandardError().startsWith("ksr704-sim: "));
        QCOMPARE(sim.readAllStandardOutput(), QByteArray());
    }

    void helpAndVersionEnd0_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("text");
        QTest::newRow("--help") << "--help" << "--state <FILE>";
        QTest::newRow("--help-all") << "--help-all" << "--state <FILE>";
        QTest::newRow("--version") << "--version" << "ksr704-sim " KSR704_VERSION "\n";
    }
    void helpAndVersionEnd0()
    {
        QFETCH(QString, option);
        QFETCH(QString, text);
        QProcess sim;
        sim.start(QStringLiteral(KSR704_SIM_PATH), {option});
        QVERIFY(sim.waitForFinished(WaitMs));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(QString::fromLocal8Bit(sim.readAllStandardOutput()).contains(text));
    }

    void byteTime_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<double>("seconds");
        QTest::newRow("default 4800") << QStringList{} << 1.0 / 480;
        QTest::newRow("9600") << QStringList{"--baud", "9600"} << 1.0 / 960;
        QTest::newRow("fast") << QStringList{"--fast"} << 0.0;
    }
    void byteTime()
    {
        QFETCH(QStringList, args);
        QFETCH(double, seconds);
        const auto parsed = ParseSimOptions(QStringList{"ksr704-sim"} + args);
        QVERIFY(std::holds_alternative<SimOptions>(parsed));
        QCOMPARE(std::get<SimOptions>(parsed).ByteSeconds(), seconds);
    }

    void pacedExchange()
    {
        const double b = 1.0 / 480;
        LinePacer line(b);
        // Ten bytes handed over at once arrive one byte time apart.
        double last = 0;
        for (int i = 0; i < 10; ++i)
            last = line.Arrival(1.0);
        QCOMPARE(last, 1.0 + 10 * b);
        // A byte handed over later than the line is free starts then.
        QCOMPARE(line.Arrival(2.0), 2.0 + b);
        // The reply leaves no earlier than due, one byte after the other.
        const double due = last + 0.0005;
        double reached = 0;
        for (int i = 0; i < 10; ++i)
            reached = line.Departure(due);
        QCOMPARE(reached, due + 10 * b);
        QCOMPARE(line.Departure(due), due + 11 * b);
    }

    void unpacedLineKeepsTimes()
    {
        LinePacer line(0.0);
        QCOMPARE(line.Arrival(1.5), 1.5);
        QCOMPARE(line.Departure(2.5), 2.5);
        // Times never go back.
        QCOMPARE(line.Arrival(1.0), 1.5);
    }
};

QTEST_GUILESS_MAIN(TestSimServer)
#include "tst_simserver.moc"
