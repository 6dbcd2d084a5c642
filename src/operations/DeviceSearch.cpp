#include "operations/DeviceSearch.h"

#include "core/Protocol.h"

namespace ksr {

namespace {

// Opens PortNumber and, if it opens, probes it.
bool OpenAndProbe(AppState &state, SerialLink &link)
{
    link.OpenPort();
    if (!state.PortOpened)
        return false;
    link.SetReceiveSize(ReplyBytes);
    return link.ProbeDevice(ProbeFrame());
}

} // namespace

bool ProbeSavedPort(AppState &state, SerialLink &link)
{
    state.PortUsable = true;
    const bool found = OpenAndProbe(state, link);
    if (!found)
        state.PortOpened = false;
    return found;
}

bool PortSearch(AppState &state, SerialLink &link)
{
    const std::int16_t saved = state.PortNumber;
    for (int n = 1; n <= HighestPortNumber; ++n) {
        if (n == saved)
            continue;
        state.PortNumber = static_cast<std::int16_t>(n);
        if (OpenAndProbe(state, link))
            return true;
    }
    return false;
}

} // namespace ksr
