#include "operations/DeviceSearch.h"

#include "core/Protocol.h"

namespace ksr {

namespace {

// Opens PortNumber and, if it opens, probes it; notes the port in `inUse`
// when another program holds it.
bool OpenAndProbe(SerialLink &link, PortsInUse *inUse)
{
    link.OpenPort();
    if (!link.PortOpened()) {
        if (const QString note = link.PortInUse(); inUse != nullptr && !note.isEmpty())
            (*inUse)[link.PortNumber()] = note;
        return false;
    }
    link.SetReceiveSize(ReplyBytes);
    return link.ProbeDevice(ProbeFrame());
}

} // namespace

bool ProbeSavedPort(SerialLink &link, PortsInUse *inUse)
{
    link.SetPortUsable(true);
    const bool found = OpenAndProbe(link, inUse);
    if (!found)
        link.SetPortOpened(false);
    return found;
}

bool PortSearch(SerialLink &link, PortsInUse *inUse)
{
    const std::int16_t saved = link.PortNumber();
    for (int n = 1; n <= HighestPortNumber; ++n) {
        if (n == saved)
            continue;
        link.SetPortNumber(static_cast<std::int16_t>(n));
        if (OpenAndProbe(link, inUse))
            return true;
    }
    return false;
}

} // namespace ksr
