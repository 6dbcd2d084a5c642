#pragma once
// Faults the simulated device can be told to show in its answers. An answer
// is the reply frame or the 160-byte block that a received frame asks for;
// acknowledgements have none and are never affected.

#include <cstdint>

namespace ksr::sim {

struct Faults {
    // The next N answers are not sent; -1 = never answer again.
    int silentReplies = 0;
    // Seconds added before an answer starts.
    double replyDelay = 0.0;
    // > 0: the answer goes out as its first splitAt bytes, the rest
    // splitDelay seconds later.
    int splitAt = 0;
    double splitDelay = 0.0;
    // That many 0x00 bytes follow each answer.
    int extraBytes = 0;
    // The answer is replaced by 10 bytes that are no valid reply: the reply
    // frame with every byte after the leading F0 inverted.
    bool garbage = false;
    // >= 0: a 160-byte block is cut to this many bytes.
    int truncateBlock = -1;
    // A 160-byte block goes out whole, every byte inverted: a garbled block
    // that only a second read can tell.
    bool corruptBlock = false;
    // -1: faults apply to every command; else only to frames with this code.
    int onlyCommand = -1;
    // The first N answers the faults would apply to go out unaffected, so
    // that a fault can wait for a later use of its command.
    int skipAnswers = 0;
    // -1: every affected answer; N: only the next N affected answers, then
    // all faults switch themselves off.
    int count = -1;

    // Not an answer fault: the next N reports of a feedback search carry an
    // out-of-range filter number (12..255), frequency index (> 729), width
    // (> 3) or gain step (> 45), in turn, on the channel and filter that
    // was due. The device does not act on such a report; after its
    // acknowledgement the search goes on as if it had not been sent. The
    // answer faults' count leaves it alone.
    int badReports = 0;
    // Not an answer fault: a memory write to this address is answered but
    // not kept (-1: none), as a worn memory cell might.
    int lostWriteAddress = -1;

    bool AppliesTo(std::uint8_t code) const { return onlyCommand < 0 || onlyCommand == code; }
};

} // namespace ksr::sim
