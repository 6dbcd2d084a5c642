// ksr704-cli against ksr704-sim on a pseudo-terminal: what each command
// sends, the backup folder it writes, a restore onto a second device, and
// the exit statuses of refusals, "Time out" and a missing device.

#include "support/BackupFixtures.h"

#include "core/Tables.h"
#include "sim/DeviceMemory.h"
#include "sim/SimDevice.h"
#include "sim/SimProcess.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QSerialPort>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace ksr::test;
using ksr::sim::SimProcess;

namespace {

// An earlier backup in `folder`, of entry 05 only, beside a file of the user's own.
bool WriteEarlierBackup(const QString &folder)
{
    QByteArray directory = "05   Hall   used 05-Hall.Fbk\n";
    for (int entry = 6; entry <= 20; ++entry)
        directory += QByteArray::number(entry).rightJustified(2, '0') + "          empty -\n";
    return QDir().mkpath(folder) && WriteAll(QDir(folder).filePath(QStringLiteral("05-Hall.Fbk")), QByteArray(161, '\x11'))
           && WriteAll(QDir(folder).filePath(QStringLiteral("current.Fbk")), QByteArray(161, '\x22'))
           && WriteAll(QDir(folder).filePath(QStringLiteral("directory.txt")), directory)
           && WriteAll(QDir(folder).filePath(QStringLiteral("notes.txt")), "set list for Friday\n");
}

// The first device: entry 05 and entry 15, whose name has characters no
// file name may hold, a newline among them, and a Windows-1252 letter.
const QByteArray OddName = QByteArrayLiteral("A/B\xE9:\n* ");
std::array<QByteArray, ksr::sim::UserSlots> FirstNames()
{
    std::array<QByteArray, ksr::sim::UserSlots> names;
    names[0] = QByteArrayLiteral("  Hall  ");
    names[10] = OddName;
    return names;
}

// The frames the simulator logged since it started, one per line, once it has ended.
QStringList FramesOf(SimProcess &sim)
{
    sim.Stop();
    return QString::fromLatin1(sim.Process().readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// How many frames carry command `code` (byte 2, hex).
qsizetype CountCommand(const QStringList &frames, const QString &code)
{
    return std::count_if(frames.begin(), frames.end(),
                         [&](const QString &frame) { return frame.mid(6, 2) == code; });
}

// The simulator on a terminal, or over TCP on a loopback port of its own.
void AddLineRows()
{
    QTest::addColumn<QStringList>("line");
    QTest::newRow("terminal") << QStringList{};
    QTest::newRow("tcp") << SimProcess::TcpLoopback();
}

// The trace's lines of frames sent ("sent") or answers ("answer"): the
// exchange's number and resend count, and the bytes.
QStringList TraceLines(const QString &path, const QString &what)
{
    QStringList found;
    const QString mark = QStringLiteral(" %1: ").arg(what);
    for (const QString &line : QString::fromUtf8(ReadAll(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (const qsizetype at = line.indexOf(mark); at >= 0)
            found << line.section(QLatin1Char(' '), 2, 5) + QLatin1Char(' ') + line.mid(at + mark.size());
    }
    return found;
}

const QString Probe = QStringLiteral("F0 5B 00 00 00 00 00 00 00 F7");
const QString ReadCurrentBlock = QStringLiteral("F0 5B 0B FF 00 00 00 00 00 F7");

} // namespace

class CliTest : public QObject {
    Q_OBJECT
private slots:
    // Over TCP the frames are the same ones, counted one by one.
    void listAndBackupOnlyReadThenRestoreReproducesTheMemory_data() { AddLineRows(); }
    void listAndBackupOnlyReadThenRestoreReproducesTheMemory()
    {
        QFETCH(QStringList, line);
        QTemporaryDir work;
        QVERIFY(WriteAll(work.filePath(QStringLiteral("a.state")), StateWith(FirstNames(), 1)));
        SimProcess first;
        QVERIFY(first.Start(QStringList{QStringLiteral("--fast"), QStringLiteral("--log"), QStringLiteral("--state"),
                                        work.filePath(QStringLiteral("a.state"))}
                            + line));

        const CliRun list = RunCli({QStringLiteral("--device"), first.PortPath(), QStringLiteral("list")}, work.path());
        QCOMPARE(list.status, 0);
        const QStringList lines = list.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 20);
        QCOMPARE(lines[0], QStringLiteral("01  Preset01  fixed"));
        QCOMPARE(lines[4], QStringLiteral("05  Hall      used"));
        QCOMPARE(lines[5], QStringLiteral("06            empty"));
        QCOMPARE(lines[14], QStringLiteral("15  A/B\u00E9:?*   used"));

        // Over an earlier backup, beside a file of the user's own.
        QDir folder(work.filePath(QStringLiteral("backup")));
        QVERIFY(WriteEarlierBackup(folder.path()));
        const CliRun backup =
            RunCli({QStringLiteral("--device"), first.PortPath(), QStringLiteral("backup"), folder.path()}, work.path());
        QCOMPARE(backup.status, 0);
        QCOMPARE(backup.out, QStringLiteral("2 presets and the current settings saved to %1\n").arg(folder.path()));
        const QStringList frames = FramesOf(first);
        // Each read twice. list: probe, 16 markers, 8 name bytes a used
        // slot; backup: probe, 16 markers, 160 + 8 bytes a used slot, the
        // current settings' block.
        QCOMPARE(frames.size(), (1 + 2 * (16 + 2 * 8)) + (1 + 2 * (16 + 2 * 168 + 1)));
        QCOMPARE(frames.count(Probe), 2);
        QCOMPARE(frames.count(ReadCurrentBlock), 2);
        QCOMPARE(CountCommand(frames, QStringLiteral("10")), frames.size() - 4);

        const QByteArray memory = MemoryOf(ReadAll(work.filePath(QStringLiteral("a.state"))));
        QCOMPARE(folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList({QStringLiteral("05-Hall.Fbk"), QStringLiteral("15-A_B\u00E9___.Fbk"),
                              QStringLiteral("current.Fbk"), QStringLiteral("directory.txt"),
                              QStringLiteral("notes.txt")}));
        QCOMPARE(ReadAll(folder.filePath(QStringLiteral("notes.txt"))), QByteArray("set list for Friday\n"));
        for (const auto &[file, slot] : {std::pair{QStringLiteral("05-Hall.Fbk"), 0}, {QStringLiteral("15-A_B\u00E9___.Fbk"), 10}}) {
            const QByteArray preset = ReadAll(folder.filePath(file));
            QCOMPARE(preset.size(), 161);
            QCOMPARE(preset.left(160), memory.mid(ksr::sim::SlotPresetAddress(slot), 160));
            QCOMPARE(preset[160], '\0');
        }
        const QByteArray directory = ReadAll(folder.filePath(QStringLiteral("directory.txt")));
        QVERIFY(directory.startsWith("05   Hall   used 05-Hall.Fbk\n06          empty -\n"));
        QVERIFY(directory.contains("\n15 " + OddName + " used 15-A_B\xC3\xA9___.Fbk\n"));
        QCOMPARE(ReadAll(folder.filePath(QStringLiteral("current.Fbk"))).size(), 161);

        // A second device with every slot used otherwise.
        std::array<QByteArray, ksr::sim::UserSlots> others;
        others.fill(QByteArrayLiteral(" Other  "));
        const QString secondState = work.filePath(QStringLiteral("b.state"));
        QVERIFY(WriteAll(secondState, StateWith(others, 77)));
        SimProcess second;
        QVERIFY(second.Start(QStringList{QStringLiteral("--fast"), QStringLiteral("--state"), secondState} + line));
        const CliRun restore = RunCli({QStringLiteral("--quiet"), QStringLiteral("--device"), second.PortPath(),
                                       QStringLiteral("restore"), folder.path()},
                                      work.path());
        QCOMPARE(restore.status, 0);
        QCOMPARE(restore.err, QString());
        QCOMPARE(restore.out, QStringLiteral("2 presets restored from %1, 14 entries marked empty\n").arg(folder.path()));
        QVERIFY(second.Stop());
        const QByteArray restored = MemoryOf(ReadAll(secondState));
        QCOMPARE(restored.mid(ksr::sim::UsedMarkerBase, 16), memory.mid(ksr::sim::UsedMarkerBase, 16));
        for (int slot : {0, 10}) {
            QCOMPARE(restored.mid(ksr::sim::SlotPresetAddress(slot), 160),
                     memory.mid(ksr::sim::SlotPresetAddress(slot), 160));
            QCOMPARE(restored.mid(ksr::sim::SlotNameAddress(slot), 8), memory.mid(ksr::sim::SlotNameAddress(slot), 8));
        }
    }

    void storeCentresTheNameAndLoadSendsTheFile_data() { AddLineRows(); }
    void storeCentresTheNameAndLoadSendsTheFile()
    {
        QFETCH(QStringList, line);
        QTemporaryDir work;
        // A preset of the device's own, so that every value is one the editor keeps as it is.
        const ksr::sim::Memory defaults = ksr::sim::DefaultMemory();
        QByteArray preset(161, '\0');
        for (int m = 0; m < 160; ++m)
            preset[m] = static_cast<char>(defaults[static_cast<std::size_t>(ksr::sim::SlotPresetAddress(1) + m)]);
        QVERIFY(WriteAll(work.filePath(QStringLiteral("in.Fbk")), preset));
        const QString state = work.filePath(QStringLiteral("s.state"));
        SimProcess sim;
        QVERIFY(sim.Start(QStringList{QStringLiteral("--fast"), QStringLiteral("--state"), state} + line));
        const QStringList device = {QStringLiteral("--device"), sim.PortPath()};

        QCOMPARE(RunCli(device + QStringList{QStringLiteral("store"), QStringLiteral("in.Fbk"), QStringLiteral("20"),
                                             QStringLiteral("Ab")},
                        work.path())
                     .status,
                 0);
        QCOMPARE(RunCli(device + QStringList{QStringLiteral("load"), QStringLiteral("in.Fbk")}, work.path()).status, 0);
        QCOMPARE(RunCli(device + QStringList{QStringLiteral("save"), QStringLiteral("out.Fbk")}, work.path()).status, 0);
        QVERIFY(sim.Stop());
        const QByteArray memory = MemoryOf(ReadAll(state));
        QCOMPARE(memory.mid(ksr::sim::UsedMarkerBase + 15, 1), QByteArray("\x55"));
        QCOMPARE(memory.mid(ksr::sim::SlotNameAddress(15), 8), QByteArray("   Ab   "));
        QCOMPARE(memory.mid(ksr::sim::SlotPresetAddress(15), 160), preset.left(160));
        // What load sent is what the device gives back as its current settings.
        QCOMPARE(ReadAll(work.filePath(QStringLiteral("out.Fbk"))), ReadAll(work.filePath(QStringLiteral("in.Fbk"))));
    }

    // store reads back what it wrote: a byte the device did not keep fails
    // the store naming the entry, unless told not to read back.
    void storeReadsBackWhatItWrote_data()
    {
        QTest::addColumn<int>("lostAddress");
        QTest::addColumn<bool>("verify");
        QTest::addColumn<int>("status");
        QTest::newRow("data byte lost") << ksr::sim::SlotPresetAddress(15) + 3 << true << 1;
        QTest::newRow("marker lost") << ksr::sim::UsedMarkerBase + 15 << true << 1;
        QTest::newRow("data byte lost, --no-verify") << ksr::sim::SlotPresetAddress(15) + 3 << false << 0;
    }
    void storeReadsBackWhatItWrote()
    {
        QFETCH(int, lostAddress);
        QFETCH(bool, verify);
        QFETCH(int, status);
        QTemporaryDir work;
        const ksr::sim::Memory defaults = ksr::sim::DefaultMemory();
        QByteArray preset(161, '\0');
        for (int m = 0; m < 160; ++m)
            preset[m] = static_cast<char>(defaults[static_cast<std::size_t>(ksr::sim::SlotPresetAddress(1) + m)]);
        // Byte 3, carried as it is, differs from what entry 20 holds.
        preset[3] = static_cast<char>(~defaults[static_cast<std::size_t>(ksr::sim::SlotPresetAddress(15) + 3)]);
        QVERIFY(WriteAll(work.filePath(QStringLiteral("in.Fbk")), preset));
        SimProcess sim;
        QVERIFY(sim.Start({QStringLiteral("--fast"), QStringLiteral("--lose-write"), QString::number(lostAddress)}));
        QStringList arguments{QStringLiteral("--device"), sim.PortPath()};
        if (!verify)
            arguments << QStringLiteral("--no-verify");
        const CliRun run = RunCli(arguments + QStringList{QStringLiteral("store"), QStringLiteral("in.Fbk"),
                                                          QStringLiteral("20"), QStringLiteral("Ab")},
                                  work.path());
        QCOMPARE(run.status, status);
        QCOMPARE(run.err.contains(QStringLiteral("entry 20 read back holds other bytes")), status != 0);
    }

    void refusalsSendNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("file of 160 bytes") << QStringList{QStringLiteral("store"), QStringLiteral("short.Fbk"), QStringLiteral("05"), QStringLiteral("x")} << QStringLiteral("short.Fbk is not a preset file: it has 160 bytes");
        QTest::newRow("file of 162 bytes") << QStringList{QStringLiteral("load"), QStringLiteral("long.Fbk")} << QStringLiteral("long.Fbk is not a preset file: it has 162 bytes");
        QTest::newRow("entry 04") << QStringList{QStringLiteral("store"), QStringLiteral("good.Fbk"), QStringLiteral("04"), QStringLiteral("x")} << QStringLiteral("entry \"04\" is not a user entry");
        QTest::newRow("entry 21") << QStringList{QStringLiteral("restore"), QStringLiteral("backup"), QStringLiteral("21")} << QStringLiteral("entry \"21\" is not a user entry");
        QTest::newRow("name of 9") << QStringList{QStringLiteral("store"), QStringLiteral("good.Fbk"), QStringLiteral("5"), QStringLiteral("NineChars")} << QStringLiteral("longer than 8 characters");
        QTest::newRow("no directory.txt") << QStringList{QStringLiteral("restore"), QStringLiteral(".")} << QStringLiteral("holds no directory.txt");
        QTest::newRow("entry empty in the backup") << QStringList{QStringLiteral("restore"), QStringLiteral("backup"), QStringLiteral("06")} << QStringLiteral("entry 06 is empty");
        QTest::newRow("preset file missing") << QStringList{QStringLiteral("restore"), QStringLiteral("backup")} << QStringLiteral("no such preset file");
        // The longest directory.txt a backup writes is read whole; one of 1 GiB is refused unread.
        QTest::newRow("largest directory.txt") << QStringList{QStringLiteral("restore"), QStringLiteral("largest")} << QStringLiteral("largest/05-\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC\u20AC.Fbk: no such preset file");
        QTest::newRow("directory.txt of 1 GiB") << QStringList{QStringLiteral("restore"), QStringLiteral("huge")} << QStringLiteral("huge/directory.txt is larger than a backup's directory can be (784 bytes at most); nothing restored");
        QTest::newRow("unknown command") << QStringList{QStringLiteral("erase")} << QStringLiteral("unknown command");
        // Files whose fields the device does not take, and names it cannot hold.
        QTest::newRow("store of 161 x 0xFF") << QStringList{QStringLiteral("store"), QStringLiteral("ff.Fbk"), QStringLiteral("05"), QStringLiteral("x")} << QStringLiteral("ff.Fbk is not a preset the device takes: Left release mode 255 is outside 0..1\n");
        QTest::newRow("load of 161 x 0xFF") << QStringList{QStringLiteral("load"), QStringLiteral("ff.Fbk")} << QStringLiteral("ff.Fbk is not a preset the device takes: Left release mode 255 is outside 0..1\n");
        QTest::newRow("store of English text") << QStringList{QStringLiteral("store"), QStringLiteral("text.Fbk"), QStringLiteral("05"), QStringLiteral("x")} << QStringLiteral("text.Fbk is not a preset the device takes: Left release mode 116 is outside 0..1\n");
        QTest::newRow("load of a gain step out of range") << QStringList{QStringLiteral("load"), QStringLiteral("gain.Fbk")} << QStringLiteral("gain.Fbk is not a preset the device takes: Left notch 3 gain step 255 is outside 0..45\n");
        QTest::newRow("restore of 161 x 0xFF") << QStringList{QStringLiteral("restore"), QStringLiteral("bad")} << QStringLiteral("bad/06-Bad.Fbk is not a preset the device takes: Left release mode 255 is outside 0..1\n");
        QTest::newRow("name in Greek") << QStringList{QStringLiteral("store"), QStringLiteral("good.Fbk"), QStringLiteral("05"), QStringLiteral("Ab\u03A9\u03BC")} << QStringLiteral("name \"Ab\u03A9\u03BC\" holds \"\u03A9\" (U+03A9), which a preset name cannot");
        QTest::newRow("name with an emoji") << QStringList{QStringLiteral("store"), QStringLiteral("good.Fbk"), QStringLiteral("05"), QStringLiteral("Hi\U0001F600")} << QStringLiteral("name \"Hi\U0001F600\" holds \"\U0001F600\" (U+1F600), which a preset name cannot");
        QTest::newRow("store without name") << QStringList{QStringLiteral("store"), QStringLiteral("good.Fbk"), QStringLiteral("05")} << QStringLiteral("usage:");
    }

    void refusalsSendNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QTemporaryDir work;
        QVERIFY(WriteAll(work.filePath(QStringLiteral("short.Fbk")), QByteArray(160, '\0')));
        QVERIFY(WriteAll(work.filePath(QStringLiteral("long.Fbk")), QByteArray(162, '\0')));
        QVERIFY(WriteAll(work.filePath(QStringLiteral("good.Fbk")), ValidPreset(0) + '\0'));
        QVERIFY(WriteAll(work.filePath(QStringLiteral("ff.Fbk")), QByteArray(161, '\xFF')));
        QVERIFY(WriteAll(work.filePath(QStringLiteral("text.Fbk")),
                         QByteArray("This is a letter, not a preset. ").repeated(6).left(161)));
        QByteArray gain = ValidPreset(0) + '\0';
        gain[ksr::NotchOffset[2]] = '\xFF';
        QVERIFY(WriteAll(work.filePath(QStringLiteral("gain.Fbk")), gain));
        // A backup whose entry 05 is fine and entry 06 is not.
        QVERIFY(QDir(work.path()).mkdir(QStringLiteral("bad")));
        QByteArray bad;
        for (int entry = 5; entry <= 20; ++entry)
            bad += QByteArray::number(entry).rightJustified(2, '0')
                   + (entry == 5 ? "  Hall    used 05-Hall.Fbk\n" : entry == 6 ? "   Bad    used 06-Bad.Fbk\n" : "          empty -\n");
        QVERIFY(WriteAll(work.filePath(QStringLiteral("bad/directory.txt")), bad));
        QVERIFY(WriteAll(work.filePath(QStringLiteral("bad/05-Hall.Fbk")), ValidPreset(1) + '\0'));
        QVERIFY(WriteAll(work.filePath(QStringLiteral("bad/06-Bad.Fbk")), QByteArray(161, '\xFF')));
        QVERIFY(QDir(work.path()).mkdir(QStringLiteral("backup")));
        QByteArray directory;
        for (int entry = 5; entry <= 20; ++entry)
            directory += QByteArray::number(entry).rightJustified(2, '0')
                         + (entry == 5 ? "  Hall    used gone.Fbk\n" : "          empty -\n");
        QVERIFY(WriteAll(work.filePath(QStringLiteral("backup/directory.txt")), directory));
        QVERIFY(QDir(work.path()).mkdir(QStringLiteral("huge")));
        QFile huge(work.filePath(QStringLiteral("huge/directory.txt")));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.write(directory) == directory.size() && huge.resize(qint64(1) << 30));
        huge.close();
        // Every entry used, named with the letter that takes the most bytes in a file name.
        QByteArray largest;
        const QByteArray euros = QString(8, QChar(0x20AC)).toUtf8();
        for (int entry = 5; entry <= 20; ++entry) {
            const QByteArray number = QByteArray::number(entry).rightJustified(2, '0');
            largest += number + ' ' + QByteArray(8, '\x80') + " used " + number + '-' + euros + ".Fbk\n";
        }
        QVERIFY(QDir(work.path()).mkdir(QStringLiteral("largest")));
        QVERIFY(WriteAll(work.filePath(QStringLiteral("largest/directory.txt")), largest));

        SimProcess sim;
        QVERIFY(sim.Start({QStringLiteral("--fast"), QStringLiteral("--log")}));
        const CliRun run = RunCli(QStringList{QStringLiteral("--device"), sim.PortPath()} + arguments, work.path());
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QCOMPARE(FramesOf(sim), QStringList());
    }

    // Faults on the line while the librarian reads: the result is exactly
    // the device's memory, or exit 1 with no directory.txt; never a byte
    // that was not read soundly.
    void lineFaultsNeverBecomeData_data()
    {
        QTest::addColumn<QStringList>("line");
        QTest::addColumn<QStringList>("fault");
        QTest::addColumn<bool>("exact");
        const QStringList memoryRead{QStringLiteral("--fault-command"), QStringLiteral("0x10"),
                                     QStringLiteral("--fault-count"), QStringLiteral("1")};
        const auto after = [](int answers) { return QStringList{QStringLiteral("--fault-after"), QString::number(answers)}; };
        for (const bool tcp : {false, true}) {
            const QStringList line = tcp ? SimProcess::TcpLoopback() : QStringList{};
            const auto row = [&](const char *name) -> QTestData & {
                return QTest::addRow("%s, %s", name, tcp ? "tcp" : "terminal") << line;
            };
            row("reply split across the time-out")
                << (QStringList{QStringLiteral("--split"), QStringLiteral("5:3300")} + memoryRead + after(16)) << true;
            row("reply across the time-out")
                << (QStringList{QStringLiteral("--reply-delay"), QStringLiteral("3160")} + memoryRead + after(40)) << true;
            row("garbled reply") << (QStringList{QStringLiteral("--garbage")} + memoryRead + after(60)) << true;
            row("garbled block") << QStringList{QStringLiteral("--corrupt-block"), QStringLiteral("--fault-count"),
                                                QStringLiteral("1")}
                                 << true;
            row("flood") << QStringList{QStringLiteral("--flood-after"), QStringLiteral("660")} << false;
        }
    }
    void lineFaultsNeverBecomeData()
    {
        QFETCH(QStringList, line);
        QFETCH(QStringList, fault);
        QFETCH(bool, exact);
        QTemporaryDir work;
        std::array<QByteArray, ksr::sim::UserSlots> names;
        names[0] = QByteArrayLiteral("  Hall  ");
        QVERIFY(WriteAll(work.filePath(QStringLiteral("a.state")), StateWith(names, 3)));
        SimProcess sim;
        QVERIFY(sim.Start(QStringList{QStringLiteral("--fast"), QStringLiteral("--state"), work.filePath(QStringLiteral("a.state"))}
                          + fault + line));
        const CliRun run = RunCli({QStringLiteral("--device"), sim.PortPath(), QStringLiteral("backup"),
                                   QStringLiteral("backup")},
                                  work.path());
        const QString directory = work.filePath(QStringLiteral("backup/directory.txt"));
        if (!exact) {
            QCOMPARE(run.status, 1);
            QVERIFY(!QFileInfo::exists(directory));
            return;
        }
        QVERIFY2(run.status == 0, qPrintable(run.err));
        const QByteArray slot = ValidPreset(3) + QByteArray(1, '\0');
        QCOMPARE(ReadAll(work.filePath(QStringLiteral("backup/05-Hall.Fbk"))).toHex(' '), slot.toHex(' '));
        const ksr::sim::Preset current = SimDevice().CurrentSettings();
        QByteArray settings(reinterpret_cast<const char *>(current.data()), ksr::PresetBytes);
        settings.append('\0');
        QCOMPARE(ReadAll(work.filePath(QStringLiteral("backup/current.Fbk"))).toHex(' '), settings.toHex(' '));
        QVERIFY(ReadAll(directory).startsWith("05   Hall   used 05-Hall.Fbk\n06"));
    }

    // A backup cut short leaves the folder as it was: an earlier backup in it
    // whole, the user's own files, and no new file; a folder it created goes
    // again. A device server that takes the connection and then never
    // answers is a device that stopped answering.
    void cutShortBackupLeavesTheFolderAsItWas_data()
    {
        QTest::addColumn<QStringList>("line");
        QTest::addColumn<bool>("earlier");
        QTest::newRow("terminal, earlier backup") << QStringList{} << true;
        QTest::newRow("tcp, no folder yet") << SimProcess::TcpLoopback() << false;
    }
    void cutShortBackupLeavesTheFolderAsItWas()
    {
        QFETCH(QStringList, line);
        QFETCH(bool, earlier);
        QTemporaryDir work;
        const QString folder = work.filePath(QStringLiteral("backup"));
        if (earlier)
            QVERIFY(WriteEarlierBackup(folder));
        const QMap<QString, QByteArray> before = FolderContents(folder);
        // Silent from the second preset on: probe, 16 markers and 168 bytes
        // of entry 05, each read twice.
        SimProcess sim;
        QVERIFY(sim.Start(QStringList{QStringLiteral("--fast"), QStringLiteral("--fault-after"), QStringLiteral("369"),
                                      QStringLiteral("--silent"), QStringLiteral("-1")}
                          + line));
        const CliRun run = RunCli({QStringLiteral("--device"), sim.PortPath(), QStringLiteral("backup"),
                                   QStringLiteral("backup")},
                                  work.path());
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("ksr704-cli: Time out\n")), qPrintable(run.err));
        QVERIFY2(run.err.contains(QStringLiteral("backup cut short: backup is left as it was")), qPrintable(run.err));
        QCOMPARE(FolderContents(folder), before);
        QCOMPARE(QFileInfo::exists(folder), earlier);
    }


    // A backup killed half-way leaves its hidden stage in the folder; the
    // next backup there removes it, and only it: a stage a live backup holds
    // and a folder of the stage's name holding a file of the user's stay.
    void nextBackupRemovesStaleStages()
    {
        QTemporaryDir work;
        const QString folder = work.filePath(QStringLiteral("backup"));
        const auto stages = [&folder] {
            return QDir(folder).entryList({QStringLiteral(".ksr704-backup-*")}, QDir::Dirs | QDir::Hidden);
        };
        {
            SimProcess slow;
            QVERIFY(slow.Start({QStringLiteral("--baud"), QStringLiteral("4800")}));
            QProcess cli;
            cli.setWorkingDirectory(work.path());
            cli.start(QStringLiteral(KSR704_CLI_PATH),
                      {QStringLiteral("--device"), slow.PortPath(), QStringLiteral("backup"), folder});
            QTRY_COMPARE_WITH_TIMEOUT(stages().size(), 1, 20000);
            cli.kill();
            QVERIFY(cli.waitForFinished());
        }
        const QString killed = stages().constFirst();
        QVERIFY(QFileInfo::exists(QDir(folder).filePath(killed + QStringLiteral("/.lock"))));
        QDir(folder).mkdir(QStringLiteral(".ksr704-backup-live01"));
        QLockFile live(QDir(folder).filePath(QStringLiteral(".ksr704-backup-live01/.lock")));
        live.setStaleLockTime(0);
        QVERIFY(live.tryLock(0));
        // The user's folder carries the killed backup's lock, whose process has ended.
        QDir(folder).mkdir(QStringLiteral(".ksr704-backup-notes1"));
        QVERIFY(WriteAll(QDir(folder).filePath(QStringLiteral(".ksr704-backup-notes1/notes.txt")), "mine\n"));
        QVERIFY(QFile::copy(QDir(folder).filePath(killed + QStringLiteral("/.lock")),
                            QDir(folder).filePath(QStringLiteral(".ksr704-backup-notes1/.lock"))));

        // One used preset, for a short backup.
        std::array<QByteArray, ksr::sim::UserSlots> names;
        names[0] = QByteArrayLiteral("  Hall  ");
        const QString state = work.filePath(QStringLiteral("s.state"));
        QVERIFY(WriteAll(state, StateWith(names, 1)));
        SimProcess sim;
        QVERIFY(sim.Start({QStringLiteral("--fast"), QStringLiteral("--state"), state}));
        const CliRun run = RunCli({QStringLiteral("--device"), sim.PortPath(), QStringLiteral("backup"), folder},
                                  work.path());
        QCOMPARE(run.status, 0);
        QCOMPARE(stages(), (QStringList{QStringLiteral(".ksr704-backup-live01"), QStringLiteral(".ksr704-backup-notes1")}));
        QCOMPARE(ReadAll(QDir(folder).filePath(QStringLiteral(".ksr704-backup-notes1/notes.txt"))), QByteArray("mine\n"));
        QVERIFY(QFileInfo::exists(QDir(folder).filePath(QStringLiteral("directory.txt"))));
    }

    // The connection drops in the middle of a store: the store ends in
    // "Time out" at once, nothing is sent on another connection behind the
    // user's back, and the slot, its marker cleared first, no longer reads
    // as a whole preset. The server then serves the next client.
    void droppedConnectionEndsTheStore()
    {
        QTemporaryDir work;
        const QString state = work.filePath(QStringLiteral("s.state"));
        std::array<QByteArray, ksr::sim::UserSlots> names;
        names[15] = QByteArrayLiteral("  Old   ");
        QVERIFY(WriteAll(state, StateWith(names, 3)));
        QVERIFY(WriteAll(work.filePath(QStringLiteral("in.Fbk")), QByteArray(161, '\x01')));
        // The probe, the marker and 59 of the data bytes.
        constexpr int Frames = 61;
        SimProcess sim;
        QVERIFY(sim.Start(QStringList{QStringLiteral("--fast"), QStringLiteral("--log"), QStringLiteral("--state"), state,
                                      QStringLiteral("--drop-after"), QString::number(Frames)}
                          + SimProcess::TcpLoopback()));
        const QStringList device = {QStringLiteral("--device"), sim.PortPath()};
        QElapsedTimer took;
        took.start();
        const CliRun run = RunCli(device + QStringList{QStringLiteral("store"), QStringLiteral("in.Fbk"),
                                                       QStringLiteral("20"), QStringLiteral("New")},
                                  work.path());
        QVERIFY2(took.elapsed() < 10000, qPrintable(QString::number(took.elapsed())));
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("ksr704-cli: Time out\n")), qPrintable(run.err));
        const CliRun list = RunCli(device + QStringList{QStringLiteral("list")}, work.path());
        QCOMPARE(list.status, 0);
        QVERIFY2(list.out.contains(QStringLiteral("20            empty")), qPrintable(list.out));
        const QStringList frames = FramesOf(sim);
        // Frames past the store's are the list's, which begins with its probe.
        QCOMPARE(frames.value(Frames), Probe);
        QCOMPARE(CountCommand(frames.mid(0, Frames), QStringLiteral("11")), Frames - 1);
        QCOMPARE(MemoryOf(ReadAll(state)).mid(ksr::sim::UsedMarkerBase + 15, 1), QByteArray(1, '\0'));
    }

    // `config`: what init.cfg in the working folder is: none, a FIFO
    // (nobody writes to it, so reading it would wait for ever), or a file
    // naming port 2; "one port": none, with one port listed. The working folder holds an earlier backup in "backup".
    // --trace FILE holds every frame the device received, in order, each
    // with its answer.
    void traceHoldsEveryFrameTheDeviceReceived_data() { AddLineRows(); }
    void traceHoldsEveryFrameTheDeviceReceived()
    {
        QFETCH(QStringList, line);
        QTemporaryDir work;
        SimProcess sim;
        QVERIFY(sim.Start(QStringList{QStringLiteral("--fast"), QStringLiteral("--log")} + line));
        const CliRun list = RunCli({QStringLiteral("--trace"), QStringLiteral("trace.txt"), QStringLiteral("--device"),
                                    sim.PortPath(), QStringLiteral("list")},
                                   work.path());
        QCOMPARE(list.status, 0);
        const QStringList frames = FramesOf(sim);
        QVERIFY(frames.size() > 60);
        const QString trace = work.filePath(QStringLiteral("trace.txt"));
        const QStringList sent = TraceLines(trace, QStringLiteral("sent"));
        const QStringList answers = TraceLines(trace, QStringLiteral("answer"));
        QStringList sentFrames;
        for (const QString &frame : sent)
            sentFrames << frame.section(QLatin1Char(' '), 4);
        QCOMPARE(sentFrames, frames);
        // One sound answer a frame, of the exchange that sent it, echoing its command.
        QCOMPARE(answers.size(), sent.size());
        for (qsizetype i = 0; i < sent.size(); ++i) {
            QCOMPARE(answers[i].section(QLatin1Char(' '), 0, 3), sent[i].section(QLatin1Char(' '), 0, 3));
            QCOMPARE(answers[i].section(QLatin1Char(' '), 4, 6), sent[i].section(QLatin1Char(' '), 4, 6));
            QVERIFY2(!answers[i].contains(QLatin1Char('[')), qPrintable(answers[i]));
        }
    }

    // Without --trace nothing is written; a trace that cannot be written
    // ends the command before anything is sent.
    void traceIsWrittenOnlyWhenAsked()
    {
        QTemporaryDir work;
        SimProcess sim;
        QVERIFY(sim.Start({QStringLiteral("--fast"), QStringLiteral("--log")}));
        const QStringList device = {QStringLiteral("--device"), sim.PortPath()};
        const CliRun refused = RunCli(QStringList{QStringLiteral("--trace"), QStringLiteral("missing/trace.txt")} + device
                                          + QStringList{QStringLiteral("list")},
                                      work.path());
        QCOMPARE(refused.status, 4);
        QVERIFY2(refused.err.startsWith(QStringLiteral("ksr704-cli: cannot write the line trace to missing/trace.txt: ")),
                 qPrintable(refused.err));
        QCOMPARE(RunCli(device + QStringList{QStringLiteral("list")}, work.path()).status, 0);
        QCOMPARE(QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
        // The frames are the second run's alone, from its probe on.
        const QStringList frames = FramesOf(sim);
        QCOMPARE(frames.value(0), Probe);
        QCOMPARE(frames.count(Probe), 1);
    }


    // A port another program holds is named as in use, with the program,
    // on --device and in the search alike; the device is not reached. The
    // second opener holds the simulator's terminal as the programs open it
    // (QSerialPort's lock file), here through the test's own QSerialPort.
    void portHeldByAnotherProgramIsNamed_data()
    {
        QTest::addColumn<bool>("search");
        QTest::newRow("--device") << false;
        QTest::newRow("search") << true;
    }
    void portHeldByAnotherProgramIsNamed()
    {
        QFETCH(bool, search);
        QTemporaryDir work;
        SimProcess sim;
        QVERIFY(sim.Start({QStringLiteral("--fast"), QStringLiteral("--log")}));
        QSerialPort holder(sim.DevicePath());
        QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
        const QString held = QStringLiteral("in use by another program (%1, process %2)")
                                 .arg(QCoreApplication::applicationName())
                                 .arg(QCoreApplication::applicationPid());
        const QStringList list = {QStringLiteral("list")};
        const CliRun run = search ? RunCli(list, work.path(), sim.PortPath())
                                  : RunCli(QStringList{QStringLiteral("--device"), sim.PortPath()} + list, work.path());
        QCOMPARE(run.status, 3);
        const QString expected =
            search ? QStringLiteral("ksr704-cli: port 1 (%1) is %2\nksr704-cli: no KSR-704 found: close the program "
                                    "that holds the port, or name another with --device PATH\n")
                         .arg(sim.PortPath(), held)
                   : QStringLiteral("ksr704-cli: cannot open %1: it is %2\n").arg(sim.PortPath(), held);
        QVERIFY2(run.err.endsWith(expected), qPrintable(run.err));
        // Once let go, the port opens; the device heard nothing before.
        holder.close();
        const CliRun free = RunCli(QStringList{QStringLiteral("--device"), sim.PortPath()} + list, work.path());
        QVERIFY2(free.status == 0, qPrintable(free.err));
        const QStringList frames = FramesOf(sim);
        QCOMPARE(frames.value(0), Probe);
        QCOMPARE(frames.count(Probe), 1);
    }

    void noDeviceExits3_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("config");
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<QString>("message");
        const QStringList list = {QStringLiteral("list")};
        const QString hint = QStringLiteral("; name the device's port with --device PATH\n");
        QTest::newRow("--device") << QStringList{QStringLiteral("--device"), QStringLiteral("./none")} << QString() << list << QStringLiteral("cannot open %1/none\n");
        // %2: a loopback port nobody listens on, which refuses the connection.
        QTest::newRow("--device tcp refused") << QStringList{QStringLiteral("--device"), QStringLiteral("tcp://127.0.0.1:%2")} << QString() << list << QStringLiteral("cannot open tcp://127.0.0.1:%2\n");
        QTest::newRow("search") << QStringList{} << QString() << list << QStringLiteral("no KSR-704 answered on ports 1 (%1/a), 2 (%1/b)") + hint;
        QTest::newRow("search, one port listed") << QStringList{} << QStringLiteral("one port") << list << QStringLiteral("no KSR-704 answered on port 1 (%1/a)") + hint;
        QTest::newRow("search, init.cfg a FIFO") << QStringList{} << QStringLiteral("fifo") << list << QStringLiteral("no KSR-704 answered on ports 1 (%1/a), 2 (%1/b)") + hint;
        QTest::newRow("search, init.cfg port 2") << QStringList{} << QStringLiteral("port 2") << list << QStringLiteral("no KSR-704 answered on ports 1 (%1/a), 2 (%1/b, init.cfg)") + hint;
        QTest::newRow("backup over the earlier one") << QStringList{QStringLiteral("--device"), QStringLiteral("./none")} << QString() << QStringList{QStringLiteral("backup"), QStringLiteral("backup")} << QStringLiteral("cannot open %1/none\n");
        QTest::newRow("backup into a new folder") << QStringList{} << QString() << QStringList{QStringLiteral("backup"), QStringLiteral("new")} << QStringLiteral("no KSR-704 answered on ports 1 (%1/a), 2 (%1/b)") + hint;
    }

    void noDeviceExits3()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, config);
        QFETCH(QStringList, command);
        QFETCH(QString, message);
        QTemporaryDir work;
        const QString configPath = work.filePath(QStringLiteral("init.cfg"));
        if (config == QLatin1String("fifo"))
            QCOMPARE(mkfifo(QFile::encodeName(configPath).constData(), 0600), 0);
        else if (config == QLatin1String("port 2"))
            QVERIFY(WriteAll(configPath, QByteArray::fromHex("0200AABBCCDDEEFF001122334455")));
        QVERIFY(WriteEarlierBackup(work.filePath(QStringLiteral("backup"))));
        const QMap<QString, QByteArray> before = FolderContents(work.path());
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString freePort = QString::number(closed.serverPort());
        closed.close();
        arguments.replaceInStrings(QStringLiteral("%2"), freePort);
        message.replace(QStringLiteral("%2"), freePort);
        QString ports = work.filePath(QStringLiteral("a"));
        if (config != QLatin1String("one port"))
            ports += QLatin1Char(':') + work.filePath(QStringLiteral("b"));
        const CliRun run = RunCli(arguments + command, work.path(), ports);
        QCOMPARE(run.status, 3);
        message.replace(QStringLiteral("%1"), work.path());
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        // Nothing in the folder changes: the search only reads init.cfg (and
        // creates none), and a backup touches nothing before the device answered.
        QCOMPARE(FolderContents(work.path()), before);
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "tst_cli_pty.moc"
