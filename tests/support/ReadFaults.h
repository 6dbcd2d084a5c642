#pragma once
// Faults on one answer to a memory read, for the tests that read the
// device's memory through a faulty line.

#include "core/Frames.h"
#include "sim/Faults.h"

namespace ksr::test {

// The answer to the memory read after `skipAnswers` others, shaped by `shape`.
inline sim::Faults ReadFault(int skipAnswers, void (*shape)(sim::Faults &))
{
    sim::Faults f;
    f.onlyCommand = ReadByteCommand;
    f.skipAnswers = skipAnswers;
    f.count = 1;
    shape(f);
    return f;
}

} // namespace ksr::test
