#pragma once
// The command line of ksr704-remote: the port to probe, the start folder,
// --help and --version. Read before any window exists, so that --help and
// --version need no display; Qt's own options (-platform, -style, ...) are
// let through to Qt.

#include "link/PortChoice.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <variant>

namespace ksr {

struct RemoteOptions {
    PortChoice portChoice; // --port N or --device PATH: probe that port only
    QString startFolder;   // --start-folder DIR; empty: the current folder
    bool userFolder = false; // --user-folder: the user's data folder
    QString tracePath;       // --trace FILE: the line's trace; empty: none
    // --remote ADDRESS:PORT: the stage remote on at start; null: as saved.
    QHostAddress remoteAddress;
    quint16 remotePort = 0;
    bool printRemoteLinks = false; // --print-remote-links
};

// The options in `arguments` (the program name first).
std::variant<RemoteOptions, CommandLineText, CommandLineRefusal> ParseRemoteOptions(const QStringList &arguments);
// The manual page --help prints.
QString RemoteHelpText();

// The folder that stands for the start folder, the user's data folder
// created with its Preset folder when missing: `userDataFolder` for --user-folder, else --start-folder's, else
// empty (the current folder). Sets `error` and returns empty when the
// folder is not there and cannot be made.
QString ChosenStartFolder(const RemoteOptions &options, const QString &userDataFolder, QString &error);

} // namespace ksr
