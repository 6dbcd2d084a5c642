#pragma once
// The operations the fault tests inject faults into, and the one command
// each of them uses.

#include "ScriptedDialogs.h"

#include "core/Frames.h"
#include "operations/DevicePresets.h"
#include "shell/Program.h"

#include <QScrollBar>
#include <QTest>

#include <cstdint>
#include <functional>

namespace ksr::test {

enum class Operation { Probe, DumpReads, DumpBlock, Edit, BlockRead, Store, Exit };

// The command whose answers a fault in `op` hits.
inline std::uint8_t CommandOf(Operation op)
{
    switch (op) {
    case Operation::Probe: return ProbeCommand;
    case Operation::DumpReads: return ReadByteCommand;
    case Operation::DumpBlock:
    case Operation::BlockRead: return ReadPresetCommand;
    case Operation::Edit: return NotchFilterCommand;
    case Operation::Store: return WriteByteCommand;
    case Operation::Exit: return ExitCommand;
    }
    return 0;
}

// Whether `op` is part of start-up rather than something done after it.
inline bool StartsTheProgram(Operation op)
{
    return op == Operation::Probe || op == Operation::DumpReads || op == Operation::DumpBlock;
}

inline const QString LostAtStart = QStringLiteral("The device stopped answering while its settings were read.");
inline const QString ReadRefused =
    QStringLiteral("The preset could not be read from the device; the editor keeps its settings.");

// What `op` says of its own after "Time out" lost the device in it.
inline QStringList AfterLoss(Operation op)
{
    if (StartsTheProgram(op) && op != Operation::Probe)
        return {LostAtStart};
    if (op == Operation::BlockRead)
        return {ReadRefused};
    return {};
}

// After "Time out" in `op`: the message once, then what the operation says
// of its own; the program goes on offline, but for the exit command, which
// ends it.
inline void CheckTimedOut(Operation op, const QStringList &texts, const QList<int> &exitCodes, bool lost)
{
    QCOMPARE(texts.count(QStringLiteral("Time out")), 1);
    QCOMPARE(texts.mid(texts.indexOf(QStringLiteral("Time out")) + 1), AfterLoss(op));
    if (op == Operation::Exit) {
        QCOMPARE(exitCodes, QList<int>{TimeOutExitCode});
    } else {
        QVERIFY(exitCodes.isEmpty());
        QVERIFY(lost);
    }
}

// The first PresetBytes of `image` are the flat preset: what the offline
// window shows when the device was lost during start-up.
inline bool HoldsTheFlatPreset(const QByteArray &image)
{
    return image.left(PresetBytes)
           == QByteArray(reinterpret_cast<const char *>(FlatPresetImage.data()), PresetBytes);
}

// The user slot the store operation writes: empty on the simulated device.
inline constexpr int StoreSlot = 2;

// Does `op` on the program as a user would; the start-up operations are
// `startUp`, the others need a started program.
inline void PerformOperation(Operation op, Program &program, ScriptedDialogs &dialogs,
                             const std::function<void()> &startUp)
{
    switch (op) {
    case Operation::Probe:
    case Operation::DumpReads:
    case Operation::DumpBlock: startUp(); break;
    case Operation::Edit: {
        QScrollBar *gain = program.Editor().HScroll20[11];
        gain->setValue(gain->value() == 0 ? 1 : gain->value() - 1);
        break;
    }
    case Operation::BlockRead: program.Presets().ReadDevicePreset(5); break;
    case Operation::Store: program.Presets().StorePreset(StoreSlot, QStringLiteral("Faulty"), [] {}); break;
    case Operation::Exit:
        dialogs.answers = {MessageAnswer::Yes};
        program.MDIForm_QueryUnload();
        break;
    }
}

} // namespace ksr::test
