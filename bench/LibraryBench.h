#pragma once
// The main window's backup and restore of the device against the shipped
// ksr704-cli's: two simulators started alike at 4800 baud, one device state,
// one backup folder restored by both, turns taken in alternation.

namespace ksr::bench {

// Prints the medians in seconds and the window / CLI ratios; false when a
// run failed or the window's backup differs from the CLI's.
bool LibraryFigures();

} // namespace ksr::bench
