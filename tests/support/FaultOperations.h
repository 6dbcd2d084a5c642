#pragma once
// The operations the fault tests inject faults into, and the one command
// each of them uses.

#include "model/Frames.h"

#include <cstdint>

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

// The user slot the store operation writes: empty on the simulated device.
inline constexpr int StoreSlot = 2;

} // namespace ksr::test
