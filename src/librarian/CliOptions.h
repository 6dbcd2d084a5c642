#pragma once
// The command line of ksr704-cli: the port options, --quiet, one command and
// its arguments; --help and --version. Entries and names are checked here,
// files by the commands, all before anything is sent.

#include "link/PortChoice.h"
#include "operations/BackupFolder.h"

#include <QString>
#include <QStringList>

#include <variant>
#include <vector>

namespace ksr {

// What the program returns.
enum ExitStatus : int {
    ExitOk = 0,
    ExitTimeOut = 1,     // "Time out", or the device failed mid-way
    ExitRefused = 2,     // arguments or input files refused, nothing sent
    ExitNoDevice = 3,    // no KSR-704 answered
    ExitWriteFailed = 4, // a file or folder could not be written
};

enum class CliCommand { List, Backup, Restore, Save, Load, Store };

struct CliOptions {
    PortChoice portChoice; // --port N, --device PATH
    bool quiet = false;
    bool verify = true;       // restore and store read back what they wrote
    CliCommand command = CliCommand::List;
    QString path;             // DIR or FILE
    std::vector<int> entries; // 5..20: restore's entries (none: all), store's entry
    QString name;             // store's NAME
    QString tracePath;        // --trace FILE: the line's trace; empty: none
};

// The options in `arguments` (the program name first).
std::variant<CliOptions, CommandLineText, CommandLineRefusal> ParseCliOptions(const QStringList &arguments);
// The manual page --help prints.
QString CliHelpText();

} // namespace ksr
