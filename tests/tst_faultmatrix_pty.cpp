// A device that leaves one answer out, or stops answering, in each operation
// that talks to it: the whole program on QSerialPort and the real clock,
// against ksr704-sim on a pseudo-terminal, compared with a fault-free run.

#include "support/FaultOperations.h"
#include "support/SimulatorRig.h"

#include <QTest>

#include <map>
#include <memory>

using namespace ksr;
using namespace ksr::test;

namespace {

// Start-up, line time and scheduling beyond the designed waits: the
// simulator answers each frame once it could have crossed a 4800 baud line,
// so the store's 170 exchanges alone take 3.7 s.
constexpr double Slack = 5.0;

double TimeOutOf(Operation op)
{
    return CommandOf(op) == ReadPresetCommand ? BlockTimeoutSeconds : ReplyTimeoutSeconds;
}

struct Snapshot {
    QByteArray imageBefore;
    QByteArray image;
    QStringList names;
    QStringList texts;
    QList<int> exitCodes;
    bool lost = false;
    // Read back from the device after the operation, while the program runs.
    QByteArray currentSettings;
    QByteArray storedSlot;
    double seconds = 0.0;
};

// The simulator's options that leave out `silent` answers (-1: all) to the
// operation's command.
QStringList SilentArguments(Operation op, int silent)
{
    QStringList args;
    if (silent != 0) {
        args << QStringLiteral("--fault-command") << QString::number(CommandOf(op)) << QStringLiteral("--silent")
             << QString::number(silent);
        // The dump reads a block too: a preset read's fault waits for it.
        if (op == Operation::BlockRead)
            args << QStringLiteral("--fault-after") << QStringLiteral("1");
    }
    return args;
}

// The program in its own folder against its own simulator, started with
// `faults`.
class PtyRun {
public:
    PtyRun(Operation op, int silent) : PtyRun(op, SilentArguments(op, silent)) {}
    PtyRun(Operation op, const QStringList &faults) : op_(op)
    {
        started_ = rig_.StartSim(SimPace::Unpaced, faults);
    }

    bool Started() const { return started_; }

    Snapshot Perform()
    {
        if (!StartsTheProgram(op_))
            rig_.Start();
        Snapshot shot;
        const AppState &s = rig_.program.State();
        shot.imageBefore = Image();
        const double start = rig_.clock.NowSeconds();
        PerformOperation(op_, rig_.program, rig_.dialogs, [this] { rig_.Start(); });
        shot.seconds = rig_.clock.NowSeconds() - start;
        shot.image = Image();
        for (const QString &name : s.PresetNames)
            shot.names << name;
        shot.texts = rig_.dialogs.Texts();
        shot.exitCodes = rig_.end.exitCodes;
        shot.lost = s.DeviceLost;
        if (!DeviceGone(s) && !s.DemoMode) {
            shot.currentSettings = DeviceBlock(CurrentSettingsSelector);
            shot.storedSlot = DeviceBlock(static_cast<std::uint8_t>(FixedPresetCount + StoreSlot));
        }
        return shot;
    }

private:
    QByteArray Image() const
    {
        return QByteArray(reinterpret_cast<const char *>(rig_.program.Values().PresetImage.data()), PresetImageBytes);
    }

    QByteArray DeviceBlock(std::uint8_t selector)
    {
        if (!rig_.program.Link().ReadPresetBlock(selector))
            return QByteArrayLiteral("<not read>");
        return QByteArray(reinterpret_cast<const char *>(rig_.program.Link().RxBuffer().data()), BlockBytes);
    }

    Operation op_;
    SimulatorRig rig_;
    bool started_ = false;
};

} // namespace

Q_DECLARE_METATYPE(Operation)

class FaultMatrixPtyTest : public QObject {
    Q_OBJECT
private:
    std::map<Operation, Snapshot> references_;

    const Snapshot &Reference(Operation op)
    {
        auto found = references_.find(op);
        if (found == references_.end()) {
            PtyRun run(op, 0);
            found = references_.emplace(op, run.Perform()).first;
        }
        return found->second;
    }

    // The device never answers the operation's command again.
    void CheckNeverAnswered(Operation op)
    {
        PtyRun run(op, -1);
        QVERIFY(run.Started());
        const Snapshot after = run.Perform();
        const double timeOut = TimeOutOf(op);
        if (op == Operation::Probe) {
            // The probe is not resent: one wait, then the search finds nothing.
            QCOMPARE(after.texts.value(0), QStringLiteral("COM not found, do you want continue in demo mode?"));
            QVERIFY2(after.seconds >= timeOut && after.seconds < timeOut + Slack, qPrintable(QString::number(after.seconds)));
            return;
        }
        CheckTimedOut(op, after.texts, after.exitCodes, after.lost);
        QVERIFY2(after.seconds >= 6 * timeOut && after.seconds < 6 * timeOut + Slack,
                 qPrintable(QString::number(after.seconds)));
        // The image is never part of a block: an edit has changed it as on a
        // device that answered, start-up shows the flat preset, every other
        // operation left it as it was.
        if (op == Operation::DumpReads || op == Operation::DumpBlock)
            QVERIFY(HoldsTheFlatPreset(after.image));
        else
            QCOMPARE(after.image, op == Operation::Edit ? Reference(op).image : after.imageBefore);
    }

private slots:
    void noReplyOnce_data()
    {
        QTest::addColumn<Operation>("op");
        QTest::newRow("probe") << Operation::Probe;
        QTest::newRow("dump reads") << Operation::DumpReads;
        QTest::newRow("dump block") << Operation::DumpBlock;
        QTest::newRow("edit") << Operation::Edit;
        QTest::newRow("block read") << Operation::BlockRead;
        QTest::newRow("store") << Operation::Store;
        QTest::newRow("exit") << Operation::Exit;
    }
    void noReplyOnce()
    {
        QFETCH(Operation, op);
        PtyRun run(op, 1);
        QVERIFY(run.Started());
        const Snapshot after = run.Perform();
        const double timeOut = TimeOutOf(op);
        QVERIFY2(after.seconds >= timeOut && after.seconds < timeOut + Slack, qPrintable(QString::number(after.seconds)));
        if (op == Operation::Probe) {
            // The probe is not resent: a device that misses it is not found.
            QCOMPARE(after.texts, QStringList{QStringLiteral("COM not found, do you want continue in demo mode?")});
            return;
        }
        // One resend, and everything as on a device that answered at once.
        const Snapshot &ref = Reference(op);
        QCOMPARE(after.texts, ref.texts);
        QCOMPARE(after.exitCodes, ref.exitCodes);
        QCOMPARE(after.image, ref.image);
        QCOMPARE(after.names, ref.names);
        QCOMPARE(after.currentSettings, ref.currentSettings);
        QCOMPARE(after.storedSlot, ref.storedSlot);
    }

    void noReplyEver_data()
    {
        QTest::addColumn<Operation>("op");
        QTest::newRow("probe") << Operation::Probe;
        QTest::newRow("dump reads") << Operation::DumpReads;
        QTest::newRow("edit") << Operation::Edit;
        QTest::newRow("store") << Operation::Store;
        QTest::newRow("exit") << Operation::Exit;
    }
    void noReplyEver()
    {
        QFETCH(Operation, op);
        CheckNeverAnswered(op);
    }

    // A reply split across its time-out in the dump is read again, and a
    // flood ends in "Time out", over a terminal and over tcp://.
    void strayBytesInTheDump_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<bool>("timesOut");
        const QStringList split{QStringLiteral("--split"),         QStringLiteral("5:3300"),
                                QStringLiteral("--fault-command"), QStringLiteral("0x10"),
                                QStringLiteral("--fault-count"),   QStringLiteral("1"),
                                QStringLiteral("--fault-after"),   QStringLiteral("16")};
        const QStringList flood{QStringLiteral("--flood-after"), QStringLiteral("100")};
        QTest::newRow("split, terminal") << split << false;
        QTest::newRow("split, tcp") << split + sim::SimProcess::TcpLoopback() << false;
        QTest::newRow("flood, terminal") << flood << true;
        QTest::newRow("flood, tcp") << flood + sim::SimProcess::TcpLoopback() << true;
    }
    void strayBytesInTheDump()
    {
        QFETCH(QStringList, faults);
        QFETCH(bool, timesOut);
        PtyRun run(Operation::DumpReads, faults);
        QVERIFY(run.Started());
        const Snapshot after = run.Perform();
        if (timesOut) {
            CheckTimedOut(Operation::DumpReads, after.texts, after.exitCodes, after.lost);
            return;
        }
        const Snapshot &ref = Reference(Operation::DumpReads);
        QCOMPARE(after.texts, ref.texts);
        QCOMPARE(after.exitCodes, ref.exitCodes);
        QCOMPARE(after.image, ref.image);
        QCOMPARE(after.names, ref.names);
    }

    // Six waits of 18.144 s each: these two run as tests of their own.
    void noReplyEverToTheDumpBlock() { CheckNeverAnswered(Operation::DumpBlock); }
    void noReplyEverToABlockRead() { CheckNeverAnswered(Operation::BlockRead); }
};

QTEST_MAIN(FaultMatrixPtyTest)
#include "tst_faultmatrix_pty.moc"
