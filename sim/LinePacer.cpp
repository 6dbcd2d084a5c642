#include "sim/LinePacer.h"

#include <algorithm>
#include <limits>

namespace ksr::sim {

LinePacer::LinePacer(double byteSeconds)
    : byteSeconds_(std::max(0.0, byteSeconds))
    , lastArrival_(-std::numeric_limits<double>::infinity())
    , lineFree_(-std::numeric_limits<double>::infinity())
{
}

double LinePacer::Arrival(double readTime)
{
    lastArrival_ = std::max(lastArrival_, readTime) + byteSeconds_;
    return lastArrival_;
}

double LinePacer::Departure(double due)
{
    lineFree_ = std::max(lineFree_, due) + byteSeconds_;
    return lineFree_;
}

} // namespace ksr::sim
