// Every line fault in every operation that talks to the device, through the
// whole program on the in-process port: the outcome is compared with the
// same operation on a fault-free device, and the time it took with the
// designed bound.

#include "support/FaultOperations.h"
#include "support/ProgramRig.h"

#include "operations/PresetMemory.h"

#include <QTest>

#include <map>
#include <memory>

using namespace ksr;
using namespace ksr::test;

namespace {

enum class Fault {
    SilentOnce,
    SilentEver,
    Late,
    InParts,
    SplitAcrossTimeOut, // the answer's rest comes after its time-out
    ExtraBytes,
    Garbage,
    GarbledBlock, // a whole block, every byte inverted
    TruncatedOnce,
    TruncatedEver,
    Flood, // zeros without pause from the operation's first frame on
    Vanish,
};

enum class Outcome {
    Same,           // as without the fault, with the frames the fault cost (resends, reads redone)
    TakenAsIs,      // the reply's bytes are taken as the device's: the image is the fault-free one
    TimeOut,        // "Time out" and the end with exit code 1
    Refused,        // the user is told, the image stays, the program goes on
    NotFound,       // the search finds no device
};

constexpr double Exchange = ReplyTimeoutSeconds;
constexpr double Block = BlockTimeoutSeconds;
// Bookkeeping beyond the designed waits: reply turnaround and line time.
constexpr double Slack = 0.5;

// What an operation left behind.
struct Snapshot {
    QByteArray image;
    QStringList names;
    QByteArray device;
    QStringList texts;
    QList<int> exitCodes;
    bool lost = false;
    int writes = 0;
    double seconds = 0.0;
    std::uint8_t storeMarker = 0;
};

// One program and device; the fault is injected after everything the
// operation needs is in place, and only into the operation's own command.
class Run {
public:
    explicit Run(Operation op) : op_(op)
    {
        sim::Preset editable = FlatPresetWithAutoCounts(1, 1);
        rig_.device.SetCurrentSettings(editable);
        if (!StartsTheProgram(op))
            rig_.StartWithDevice();
        else
            rig_.port.AttachDevice(1, &rig_.device);
        before_ = Take(0.0);
    }

    void Inject(Fault fault)
    {
        sim::Faults f;
        f.onlyCommand = CommandOf(op_);
        f.count = 1;
        switch (fault) {
        case Fault::SilentOnce: f.silentReplies = 1; break;
        case Fault::SilentEver: f.silentReplies = -1; f.count = -1; break;
        case Fault::Late: f.replyDelay = IsBlock() ? 10.0 : 2.0; break;
        case Fault::InParts: f.splitAt = IsBlock() ? 80 : 4; f.splitDelay = IsBlock() ? 9.0 : 1.5; break;
        case Fault::SplitAcrossTimeOut:
            f.splitAt = IsBlock() ? 80 : 5;
            f.splitDelay = IsBlock() ? Block + 0.2 : Exchange + 0.13;
            break;
        case Fault::GarbledBlock: f.corruptBlock = true; break;
        case Fault::ExtraBytes: f.extraBytes = 7; break;
        case Fault::Garbage: f.garbage = true; break;
        case Fault::TruncatedOnce: f.truncateBlock = 100; break;
        case Fault::TruncatedEver: f.truncateBlock = 100; f.count = -1; break;
        case Fault::Flood: {
            const std::uint8_t code = CommandOf(op_);
            rig_.port.FailWritesWhere([this, code, started = false](const QByteArray &bytes) mutable {
                if (!started && bytes.size() > 2 && std::uint8_t(bytes[2]) == code) {
                    started = true;
                    InjectFlood(rig_.port, rig_.clock.NowSeconds(), 1.0);
                }
                return false;
            });
            return;
        }
        case Fault::Vanish: {
            // The adapter goes at the operation's first frame.
            const std::uint8_t code = CommandOf(op_);
            rig_.port.FailWritesWhere([this, code](const QByteArray &bytes) {
                if (bytes.size() < 3 || std::uint8_t(bytes[2]) != code)
                    return false;
                rig_.port.Vanish();
                return true;
            });
            return;
        }
        }
        rig_.device.SetFaults(f);
    }

    Snapshot Perform()
    {
        const double start = rig_.clock.NowSeconds();
        PerformOperation(op_, rig_.program, rig_.dialogs, [this] { rig_.Start(); });
        return Take(rig_.clock.NowSeconds() - start);
    }

    const Snapshot &Before() const { return before_; }

private:
    bool IsBlock() const { return CommandOf(op_) == ReadPresetCommand; }

    Snapshot Take(double seconds) const
    {
        const AppState &s = rig_.program.State();
        Snapshot shot;
        shot.image = ImageBytes(rig_.program.Values(), 0, PresetImageBytes);
        for (const QString &name : s.PresetNames)
            shot.names << name;
        shot.device = rig_.device.SaveState();
        shot.texts = rig_.dialogs.Texts();
        shot.exitCodes = rig_.end.exitCodes;
        shot.lost = s.DeviceLost;
        shot.writes = static_cast<int>(rig_.port.Writes().size());
        shot.seconds = seconds;
        shot.storeMarker = rig_.device.MemoryByte(UsedMarkerAddress + StoreSlot);
        return shot;
    }

    Operation op_;
    ProgramRig rig_;
    Snapshot before_;
};

// The flat preset, byte for byte, each channel alike: five search records,
// release, search and six unused bytes at 0, twelve filters at 0 dB,
// 247.9 Hz and 1/10 octave, then 11 automatic filters of 1/10, attenuation
// fixed, sensitivity step 6.
QByteArray FlatPresetBytes()
{
    const QByteArray channel = QByteArray::fromHex("1e041800 1e0c1800 1e141800 1e1c1800 1e241800")
                               + QByteArray(8, '\0') + QByteArray::fromHex("2d010a02").repeated(12)
                               + QByteArray::fromHex("0b020006");
    return channel + channel;
}

// The fault-free outcome of each operation, made once.
const Snapshot &Reference(Operation op)
{
    static std::map<Operation, Snapshot> made;
    auto found = made.find(op);
    if (found == made.end())
        found = made.emplace(op, Run(op).Perform()).first;
    return found->second;
}

} // namespace

Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(Outcome)

class FaultMatrixTest : public QObject {
    Q_OBJECT
private slots:
    void referenceRunsAreClean()
    {
        for (Operation op : {Operation::Probe, Operation::Edit, Operation::BlockRead, Operation::Store, Operation::Exit}) {
            const Snapshot &ref = Reference(op);
            QVERIFY(!ref.texts.contains(QStringLiteral("Time out")));
            QVERIFY(ref.writes > 0);
        }
        QCOMPARE(Reference(Operation::Exit).exitCodes, QList<int>{0});
        QCOMPARE(Reference(Operation::Store).storeMarker, UsedMarker);
    }

    void faultHasItsDesignedOutcome_data()
    {
        QTest::addColumn<Operation>("op");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<Outcome>("outcome");
        // Seconds the fault may add to the fault-free run.
        QTest::addColumn<double>("allowance");
        // Frames sent beyond the fault-free run's: resends, and reads of
        // answers that stray bytes touched asked for again.
        QTest::addColumn<int>("extraFrames");

        using O = Operation;
        using F = Fault;
        using R = Outcome;
        const auto row = [](const char *name, O op, F fault, R outcome, double allowance, int extraFrames = 0) {
            QTest::newRow(name) << op << fault << outcome << allowance << extraFrames;
        };
        // The probe is never resent: a device that does not answer it at
        // once, or answers something else, is not found.
        row("probe / no reply once", O::Probe, F::SilentOnce, R::NotFound, Exchange);
        row("probe / no reply ever", O::Probe, F::SilentEver, R::NotFound, Exchange);
        row("probe / late", O::Probe, F::Late, R::Same, 2.0);
        row("probe / in parts", O::Probe, F::InParts, R::Same, 1.5);
        row("probe / extra bytes", O::Probe, F::ExtraBytes, R::Same, 0.0);
        row("probe / garbage", O::Probe, F::Garbage, R::NotFound, 0.0);
        row("probe / port vanishes", O::Probe, F::Vanish, R::NotFound, Exchange);
        row("probe / split across the time-out", O::Probe, F::SplitAcrossTimeOut, R::NotFound, Exchange);
        row("probe / flood", O::Probe, F::Flood, R::NotFound, Exchange);

        row("dump reads / no reply once", O::DumpReads, F::SilentOnce, R::Same, Exchange, 1);
        row("dump reads / no reply ever", O::DumpReads, F::SilentEver, R::TimeOut, 6 * Exchange);
        row("dump reads / late", O::DumpReads, F::Late, R::Same, 2.0);
        row("dump reads / in parts", O::DumpReads, F::InParts, R::Same, 1.5);
        row("dump reads / extra bytes", O::DumpReads, F::ExtraBytes, R::Same, 0.0, 1);
        row("dump reads / garbage", O::DumpReads, F::Garbage, R::TakenAsIs, 1.0);
        row("dump reads / port vanishes", O::DumpReads, F::Vanish, R::TimeOut, 6 * Exchange);
        row("dump reads / split across the time-out", O::DumpReads, F::SplitAcrossTimeOut, R::Same, Exchange + 1.0, 2);
        row("dump reads / flood", O::DumpReads, F::Flood, R::TimeOut, 6 * Exchange);

        row("dump block / no reply once", O::DumpBlock, F::SilentOnce, R::Same, Block, 1);
        row("dump block / no reply ever", O::DumpBlock, F::SilentEver, R::TimeOut, 6 * Block);
        row("dump block / late", O::DumpBlock, F::Late, R::Same, 10.0);
        row("dump block / in parts", O::DumpBlock, F::InParts, R::Same, 9.0);
        row("dump block / extra bytes", O::DumpBlock, F::ExtraBytes, R::Same, 0.0, 2);
        row("dump block / garbage", O::DumpBlock, F::Garbage, R::Same, Block, 3);
        row("dump block / truncated once", O::DumpBlock, F::TruncatedOnce, R::Same, Block, 3);
        row("dump block / truncated ever", O::DumpBlock, F::TruncatedEver, R::TimeOut, 6 * Block);
        row("dump block / port vanishes", O::DumpBlock, F::Vanish, R::Refused, 0.0);
        row("dump block / split across the time-out", O::DumpBlock, F::SplitAcrossTimeOut, R::Same, Block + 1.0, 3);
        row("dump block / flood", O::DumpBlock, F::Flood, R::TimeOut, 6 * Exchange);

        row("edit / no reply once", O::Edit, F::SilentOnce, R::Same, Exchange, 1);
        row("edit / no reply ever", O::Edit, F::SilentEver, R::TimeOut, 6 * Exchange);
        row("edit / late", O::Edit, F::Late, R::Same, 2.0);
        row("edit / in parts", O::Edit, F::InParts, R::Same, 1.5);
        row("edit / extra bytes", O::Edit, F::ExtraBytes, R::Same, 0.0);
        row("edit / garbage", O::Edit, F::Garbage, R::Same, 0.0);
        row("edit / port vanishes", O::Edit, F::Vanish, R::TimeOut, 6 * Exchange);
        row("edit / split across the time-out", O::Edit, F::SplitAcrossTimeOut, R::Same, Exchange + 1.0, 1);
        row("edit / flood", O::Edit, F::Flood, R::TimeOut, 6 * Exchange);

        row("block read / no reply once", O::BlockRead, F::SilentOnce, R::Same, Block, 1);
        row("block read / no reply ever", O::BlockRead, F::SilentEver, R::TimeOut, 6 * Block);
        row("block read / late", O::BlockRead, F::Late, R::Same, 10.0);
        row("block read / in parts", O::BlockRead, F::InParts, R::Same, 9.0);
        row("block read / extra bytes", O::BlockRead, F::ExtraBytes, R::Same, 0.0, 1);
        row("block read / garbage", O::BlockRead, F::Garbage, R::Same, Block, 2);
        row("block read / truncated once", O::BlockRead, F::TruncatedOnce, R::Same, Block, 2);
        row("block read / truncated ever", O::BlockRead, F::TruncatedEver, R::TimeOut, 6 * Block);
        row("block read / port vanishes", O::BlockRead, F::Vanish, R::Refused, 0.0);
        row("block read / split across the time-out", O::BlockRead, F::SplitAcrossTimeOut, R::Same, Block + 1.0, 2);
        row("block read / flood", O::BlockRead, F::Flood, R::TimeOut, 6 * Exchange);

        row("store / no reply once", O::Store, F::SilentOnce, R::Same, Exchange, 1);
        row("store / no reply ever", O::Store, F::SilentEver, R::TimeOut, 6 * Exchange);
        row("store / late", O::Store, F::Late, R::Same, 2.0);
        row("store / in parts", O::Store, F::InParts, R::Same, 1.5);
        row("store / extra bytes", O::Store, F::ExtraBytes, R::Same, 0.0);
        row("store / garbage", O::Store, F::Garbage, R::Same, 0.0);
        row("store / port vanishes", O::Store, F::Vanish, R::TimeOut, 6 * Exchange);
        row("store / split across the time-out", O::Store, F::SplitAcrossTimeOut, R::Same, Exchange + 1.0, 1);
        row("store / flood", O::Store, F::Flood, R::TimeOut, 6 * Exchange);

        row("exit / no reply once", O::Exit, F::SilentOnce, R::Same, Exchange, 1);
        row("exit / no reply ever", O::Exit, F::SilentEver, R::TimeOut, 6 * Exchange);
        row("exit / late", O::Exit, F::Late, R::Same, 2.0);
        row("exit / in parts", O::Exit, F::InParts, R::Same, 1.5);
        row("exit / extra bytes", O::Exit, F::ExtraBytes, R::Same, 0.0);
        row("exit / garbage", O::Exit, F::Garbage, R::Same, 0.0);
        row("exit / port vanishes", O::Exit, F::Vanish, R::TimeOut, 6 * Exchange);
        row("exit / split across the time-out", O::Exit, F::SplitAcrossTimeOut, R::Same, Exchange + 1.0, 1);
        row("exit / flood", O::Exit, F::Flood, R::TimeOut, 6 * Exchange);
    }

    void faultHasItsDesignedOutcome()
    {
        QFETCH(Operation, op);
        QFETCH(Fault, fault);
        QFETCH(Outcome, outcome);
        QFETCH(double, allowance);
        QFETCH(int, extraFrames);
        const Snapshot &ref = Reference(op);

        Run run(op);
        const Snapshot before = run.Before();
        run.Inject(fault);
        const Snapshot after = run.Perform();

        QVERIFY2(after.seconds <= ref.seconds + allowance + Slack,
                 qPrintable(QStringLiteral("%1 s, fault-free %2 s").arg(after.seconds).arg(ref.seconds)));
        switch (outcome) {
        case Outcome::Same:
            QCOMPARE(after.texts, ref.texts);
            QCOMPARE(after.exitCodes, ref.exitCodes);
            QCOMPARE(after.image, ref.image);
            QCOMPARE(after.names, ref.names);
            QCOMPARE(after.device, ref.device);
            QCOMPARE(after.writes, ref.writes + extraFrames);
            break;
        case Outcome::TakenAsIs:
            QCOMPARE(after.texts, ref.texts);
            QCOMPARE(after.exitCodes, ref.exitCodes);
            QCOMPARE(after.image, ref.image);
            break;
        case Outcome::TimeOut:
            CheckTimedOut(op, after.texts, after.exitCodes, after.lost);
            if (QTest::currentTestFailed())
                return;
            // The image is what it was or what the operation made of it,
            // never a part of a block or a stale one.
            // At start-up the offline window shows the flat preset.
            if (op == Operation::DumpReads || op == Operation::DumpBlock)
                QVERIFY(HoldsTheFlatPreset(after.image));
            else
                QVERIFY(after.image == before.image || after.image == ref.image);
            // A store cut short leaves its slot marked empty.
            QCOMPARE(after.storeMarker, op == Operation::Store ? EmptyMarker : before.storeMarker);
            break;
        case Outcome::Refused:
            // The editor shows the image it held (at start-up, the flat
            // preset), nothing of the block.
            QCOMPARE(after.texts.size(), before.texts.size() + 1);
            QVERIFY(after.exitCodes.isEmpty());
            // A vanished port loses the device with its read, without "Time out".
            QCOMPARE(after.lost, fault == Fault::Vanish);
            QCOMPARE(after.texts.last(), op == Operation::DumpBlock ? LostAtStart : ReadRefused);
            {
                // After start-up it held the device's settings: the flat
                // preset with one automatic filter a channel (see Run).
                QByteArray held = FlatPresetBytes();
                if (op != Operation::DumpBlock)
                    held[76] = held[156] = 1;
                QByteArray expected = before.image;
                expected.replace(0, PresetBytes, held);
                QCOMPARE(after.image.toHex(' '), expected.toHex(' '));
            }
            break;
        case Outcome::NotFound:
            QCOMPARE(after.texts.value(0), QStringLiteral("COM not found, do you want continue in demo mode?"));
            QCOMPARE(after.texts.size(), 1);
            break;
        }
    }
};

QTEST_MAIN(FaultMatrixTest)
#include "tst_faultmatrix.moc"
