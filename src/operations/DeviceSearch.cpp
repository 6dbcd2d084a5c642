#include "operations/DeviceSearch.h"

#include "core/Protocol.h"

namespace ksr {

namespace {

// Opens PortNumber and, if it opens, probes it.
bool OpenAndProbe(SerialLink &link)
{
    link.OpenPort();
    if (!link.PortOpened())
        return false;
    link.SetReceiveSize(ReplyBytes);
    return link.ProbeDevice(ProbeFrame());
}

} // namespace

bool ProbeSavedPort(SerialLink &link)
{
    link.SetPortUsable(true);
    const bool found = OpenAndProbe(link);
    if (!found)
        link.SetPortOpened(false);
    return found;
}

bool PortSearch(SerialLink &link)
{
    const std::int16_t saved = link.PortNumber();
    for (int n = 1; n <= HighestPortNumber; ++n) {
        if (n == saved)
            continue;
        link.SetPortNumber(static_cast<std::int16_t>(n));
        if (OpenAndProbe(link))
            return true;
    }
    return false;
}

} // namespace ksr
