#pragma once
// Finding the KSR-704: the probe of the saved port, then the search of ports
// 1..35. A found device's port is left open with PortNumber set to it.

#include "link/SerialLink.h"

namespace ksr {

inline constexpr int HighestPortNumber = 35;

// Opens PortNumber and probes it; true when the KSR-704 answered there.
bool ProbeSavedPort(SerialLink &link);
// Tries ports 1..35 in order, skipping the saved PortNumber; true at the
// first that answers. Otherwise PortNumber is the last number tried.
bool PortSearch(SerialLink &link);

} // namespace ksr
