// Scheduling an answer, shaped by the faults that apply to it.
#include "sim/SimDevice.h"

#include "sim/Bytes.h"

#include <algorithm>

namespace ksr::sim {

namespace {

// F0, then the reply's other nine bytes inverted: no 5B marker, no F7 end.
QByteArray Garbage(const QByteArray &reply)
{
    QByteArray out = reply;
    out[0] = static_cast<char>(FrameStart);
    for (qsizetype i = 1; i < out.size(); ++i)
        out[i] = static_cast<char>(~static_cast<std::uint8_t>(out[i]));
    return out;
}

} // namespace

void SimDevice::Answer(const Frame &request, QByteArray bytes, bool isBlock, double now)
{
    const std::uint8_t code = request[2];
    double due = now + ReplyTurnaround;
    Faults &f = faults_;
    if (!f.AppliesTo(code) || f.skipAnswers > 0) {
        if (f.AppliesTo(code))
            --f.skipAnswers;
        output_.Push(due, bytes);
        return;
    }
    bool affected = false;
    if (f.silentReplies != 0) {
        if (f.silentReplies > 0)
            --f.silentReplies;
        bytes.clear();
        affected = true;
    } else {
        if (f.replyDelay > 0) {
            due += f.replyDelay;
            affected = true;
        }
        if (f.garbage) {
            // A block is replaced by its request's echo, garbled the same way.
            bytes = Garbage(isBlock ? ToBytes(request) : bytes);
            affected = true;
        } else if (isBlock && f.corruptBlock) {
            for (char &byte : bytes)
                byte = static_cast<char>(~static_cast<std::uint8_t>(byte));
            affected = true;
        } else if (isBlock && f.truncateBlock >= 0) {
            bytes.truncate(std::min<qsizetype>(f.truncateBlock, bytes.size()));
            affected = true;
        }
        if (f.extraBytes > 0) {
            bytes.append(QByteArray(f.extraBytes, '\0'));
            affected = true;
        }
    }
    if (f.splitAt > 0 && f.splitAt < bytes.size()) {
        output_.Push(due, bytes.left(f.splitAt));
        output_.Push(due + f.splitDelay, bytes.mid(f.splitAt));
        affected = true;
    } else {
        output_.Push(due, bytes);
    }
    if (affected && f.count > 0 && --f.count == 0) {
        // Reports and writes are no answers: their faults outlive the others.
        const int badReports = f.badReports;
        const int lostWrite = f.lostWriteAddress;
        f = Faults{};
        f.badReports = badReports;
        f.lostWriteAddress = lostWrite;
    }
}

} // namespace ksr::sim
