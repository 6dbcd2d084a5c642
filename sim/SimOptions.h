#pragma once
// The simulator program's command line.

#include "core/TcpAddress.h"
#include "sim/Faults.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace ksr::sim {

struct SimOptions {
    QString linkPath;  // symbolic link to the device, empty: none
    std::optional<TcpAddress> tcp; // serve on this TCP address instead of a terminal
    int dropAfter = 0; // end the TCP client's connection after this many frames, 0: never
    // After this many bytes of output the line sends zeros without pause
    // (paced, or as fast as the client takes them with --fast), 0: never.
    int floodAfter = 0;
    QString statePath; // device state file, empty: none
    bool log = false;  // print each received frame
    // With each logged frame, the steady-clock time its first byte was read;
    // and a line for each burst of output once its last byte was written.
    bool logTimes = false;
    int baud = 4800;
    bool fast = false; // no pacing
    double reportInterval = 0.3; // seconds from an acknowledgement to the next report
    Faults faults;

    // Seconds one 8N1 byte takes on the line, 0 when not paced.
    double ByteSeconds() const { return fast ? 0.0 : 10.0 / baud; }
};

struct ShowText {
    QString text; // help or version text: print it and end
};
struct OptionError {
    QString message;
};

// `arguments` includes the program name first.
std::variant<SimOptions, ShowText, OptionError> ParseSimOptions(const QStringList &arguments);

} // namespace ksr::sim
