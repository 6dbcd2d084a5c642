#include "sim/ReplyQueue.h"

#include <algorithm>

namespace ksr::sim {

void ReplyQueue::Push(double due, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    chunks_.push_back({due, bytes});
    latest_ = latest_ ? std::max(*latest_, due) : due;
}

QByteArray ReplyQueue::TakeDue(double now)
{
    QByteArray out;
    while (!chunks_.empty() && chunks_.front().due <= now) {
        out += chunks_.front().bytes;
        chunks_.pop_front();
    }
    return out;
}

std::optional<double> ReplyQueue::NextDue() const
{
    if (chunks_.empty())
        return std::nullopt;
    return chunks_.front().due;
}

} // namespace ksr::sim
