#pragma once
// The port a command line names with --port N or --device PATH, shared by
// ksr704-remote and ksr704-cli; neither option means the usual search.

#include <QCommandLineOption>
#include <QList>
#include <QString>

#include <functional>

class QCommandLineParser;

namespace ksr {

struct PortChoice {
    int port = 0;       // --port N; 0 when not given
    QString devicePath; // --device PATH as given; empty when not given

    bool Given() const { return port > 0 || !devicePath.isEmpty(); }
    // The number to open: --port's, or 1 for --device, which every number stands for.
    int ProbedPort() const { return port > 0 ? port : 1; }
};

// What a program prints and ends with: --help or --version text on stdout
// with exit status 0.
struct CommandLineText {
    QString text;
};
// A refused command line: the message for stderr, exit status 2.
struct CommandLineRefusal {
    QString message;
};

// The --port and --device options, for a parser.
QList<QCommandLineOption> PortOptions();
// Reads --port and --device from a parser that has parsed; the refusal's
// text, or empty when they are fine.
QString ReadPortChoice(const QCommandLineParser &parser, PortChoice &choice);

// The device --device names: a bare name (ttyUSB0, COM3) is the system's
// port of that name; a path with a folder is made absolute from the current
// folder, not from /dev; a tcp:// port stays as it is.
QString ChosenDevicePath(const PortChoice &choice);
// The device each port number stands for: the --device one for every
// number, else the system's numbering.
std::function<QString(int)> PortPathChooser(const PortChoice &choice);

} // namespace ksr
