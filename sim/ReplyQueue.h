#pragma once
// The device's output waiting to go out, each chunk with the time it is due.
// The line sends in order: a chunk leaves only after the ones ahead of it,
// even when it was due earlier.

#include <QByteArray>

#include <deque>
#include <optional>

namespace ksr::sim {

class ReplyQueue {
public:
    void Push(double due, const QByteArray &bytes);
    // Every byte due by `now`, in order, up to the first chunk not yet due.
    QByteArray TakeDue(double now);
    // When the chunk at the head is due.
    std::optional<double> NextDue() const;
    bool IsEmpty() const { return chunks_.empty(); }
    // The latest due time of any chunk ever pushed, gone or not.
    std::optional<double> LatestDue() const { return latest_; }

private:
    struct Chunk {
        double due;
        QByteArray bytes;
    };
    std::deque<Chunk> chunks_;
    std::optional<double> latest_;
};

} // namespace ksr::sim
