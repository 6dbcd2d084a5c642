#pragma once
// Finding the KSR-704: the probe of the saved port, then the search of ports
// 1..35. A found device's port is left open with PortNumber set to it.

#include "link/SerialLink.h"

#include <map>

namespace ksr {

inline constexpr int HighestPortNumber = 35;

// The ports that did not open because another program holds them, by
// number, each with the port's PortInUse.
using PortsInUse = std::map<int, QString>;

// Opens PortNumber and probes it; true when the KSR-704 answered there.
// A port another program holds is added to `inUse`, when given.
bool ProbeSavedPort(SerialLink &link, PortsInUse *inUse = nullptr);
// Tries ports 1..35 in order, skipping the saved PortNumber; true at the
// first that answers. Otherwise PortNumber is the last number tried. The
// ports other programs hold are added to `inUse`, when given.
bool PortSearch(SerialLink &link, PortsInUse *inUse = nullptr);

} // namespace ksr
