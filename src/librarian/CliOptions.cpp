#include "librarian/CliOptions.h"

#include "core/PresetNames.h"

#include <QCommandLineParser>

#include <algorithm>

namespace ksr {

namespace {

// Entry number `text` (05..20, leading zeros allowed); 0 when it is not one.
int ParseEntry(const QString &text)
{
    bool ok = false;
    const int entry = text.toInt(&ok, 10);
    return ok && entry >= FirstUserEntry && entry <= LastUserEntry ? entry : 0;
}

// How many arguments each command takes: at least `min`, at most `max` (-1: any).
struct Arity {
    const char *name;
    CliCommand command;
    int min;
    int max;
    const char *usage;
};

constexpr Arity Commands[] = {
    {"list", CliCommand::List, 0, 0, "list"},
    {"backup", CliCommand::Backup, 1, 1, "backup DIR"},
    {"restore", CliCommand::Restore, 1, -1, "restore DIR [ENTRY...]"},
    {"save", CliCommand::Save, 1, 1, "save FILE"},
    {"load", CliCommand::Load, 1, 1, "load FILE"},
    {"store", CliCommand::Store, 3, 3, "store FILE ENTRY NAME"},
};

// Fills the command's part of `options` from its arguments; empty when they are fine.
QString TakeArguments(const Arity &arity, const QStringList &args, CliOptions &options)
{
    const auto count = args.size();
    if (count < arity.min || (arity.max >= 0 && count > arity.max))
        return QStringLiteral("usage: ksr704-cli [--port N | --device PATH] [--quiet] [--no-verify] [--trace FILE] %1")
            .arg(QLatin1StringView(arity.usage));
    options.command = arity.command;
    if (count == 0)
        return {};
    options.path = args.at(0);
    const QStringList entries = arity.command == CliCommand::Store ? args.mid(1, 1) : args.mid(1);
    for (const QString &text : entries) {
        const int entry = ParseEntry(text);
        if (entry == 0)
            return QStringLiteral("entry \"%1\" is not a user entry (05 to 20)").arg(text);
        if (std::find(options.entries.begin(), options.entries.end(), entry) == options.entries.end())
            options.entries.push_back(entry);
    }
    if (arity.command == CliCommand::Store) {
        options.name = args.at(2);
        // Stored, such a character would become "?".
        if (const QString refusal = PresetNameRefusal(options.name); !refusal.isEmpty())
            return refusal;
        if (options.name.size() > 8)
            return QStringLiteral("name \"%1\" is longer than 8 characters").arg(options.name);
    }
    return {};
}

} // namespace

std::variant<CliOptions, CommandLineText, CommandLineRefusal> ParseCliOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help(QStringLiteral("help"));
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption quiet(QStringLiteral("quiet"));
    const QCommandLineOption noVerify(QStringLiteral("no-verify"));
    const QCommandLineOption trace(QStringLiteral("trace"), {}, QStringLiteral("FILE"));
    parser.addOptions({help, version, quiet, noVerify, trace});
    parser.addOptions(PortOptions());
    if (!parser.parse(arguments))
        return CommandLineRefusal{parser.errorText()};
    if (parser.isSet(help))
        return CommandLineText{CliHelpText()};
    if (parser.isSet(version))
        return CommandLineText{QStringLiteral("ksr704-cli %1\n").arg(QStringLiteral(KSR704_VERSION))};

    CliOptions options;
    options.quiet = parser.isSet(quiet);
    options.verify = !parser.isSet(noVerify);
    options.tracePath = parser.value(trace);
    if (parser.isSet(trace) && options.tracePath.isEmpty())
        return CommandLineRefusal{QStringLiteral("--trace expects a file")};
    if (const QString refusal = ReadPortChoice(parser, options.portChoice); !refusal.isEmpty())
        return CommandLineRefusal{refusal};

    QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        return CommandLineRefusal{QStringLiteral("no command given (list, backup, restore, save, load, store); see --help")};
    const QString command = args.takeFirst();
    for (const Arity &arity : Commands) {
        if (command != QLatin1StringView(arity.name))
            continue;
        const QString refusal = TakeArguments(arity, args, options);
        if (!refusal.isEmpty())
            return CommandLineRefusal{refusal};
        return options;
    }
    return CommandLineRefusal{QStringLiteral("unknown command \"%1\"; see --help").arg(command)};
}

QString CliHelpText()
{
    return QStringLiteral(R"(NAME
    ksr704-cli - list, back up and restore the presets of a KSR-704

SYNOPSIS
    ksr704-cli [--port N | --device PATH] [--quiet] [--no-verify] [--trace FILE]
               COMMAND [ARGS]
    ksr704-cli --help | --version

DESCRIPTION
    Works on the device's twenty preset entries without opening a window:
    01 to 04 are fixed, 05 to 20 are the user entries. Nothing changes what
    the device does except restore, load and store.

    Every byte list, backup and save take from the device is read twice,
    and taken only when both answers agree and no stray bytes on the line
    touched them (a reply split across its time-out, bytes that belong to
    no answer, a flood); what is not is asked for again once the line is
    quiet. A read that cannot be made sure ends with exit status 1, and a
    backup then leaves DIR as it was. This takes about twice the line time
    of reading once. restore and store read back what they wrote.

COMMANDS
    list
        The 20 entries: number, name as stored (a control character shown
        as "?"), fixed / used / empty.
    backup DIR
        Every used user preset, read from device memory, into DIR as
        NN-NAME.Fbk, the current settings as current.Fbk, and directory.txt
        (one line per user entry: number, the 8 name bytes as stored, used
        or empty, file name), written last. The files are gathered in a
        hidden folder in DIR and moved into place only once all of them
        were read and written: without a device, or cut short, DIR is left
        as it was, an earlier backup in it whole. Other files in DIR stay.
    restore DIR [ENTRY...]
        Stores the presets of backup folder DIR back into their entries,
        under the names directory.txt holds. Without ENTRY every user entry
        is restored, and those empty in the backup are marked empty.
    save FILE
        The device's current settings into preset file FILE.
    load FILE
        Preset file FILE into the device's current settings, every
        parameter sent.
    store FILE ENTRY NAME
        Preset file FILE into user entry ENTRY (05 to 20) under NAME (at
        most 8 characters, all of them Windows-1252 ones, centred).

OPTIONS
    --port N
        Port number N, numbered as ksr704-remote numbers them (the entries
        of KSR704_PORTS, else the system's ports).
    --device PATH
        The serial device at PATH; a name without "/" (ttyUSB0, COM3)
        is the system's port of that name, and tcp://HOST:PORT a serial
        device server on the network.
        With neither option the port in init.cfg of the current folder is
        tried first, then ports 1 to 35; init.cfg is only read, never
        created or written.
    --quiet
        No progress on stderr.
    --no-verify
        restore and store do not read back the data, name and marker they
        wrote (about half their time).
    --trace FILE
        Writes every frame sent to the device and every answer to FILE as
        they happen, one line each: the seconds since the program started,
        the time of day (UTC), the exchange's number, how often its frame
        was sent before, the bytes, and in brackets what made an answer
        unsound (stray bytes, a reply in parts, a garbled reply, no answer).
        FILE is replaced; each line is written at once, so that the trace
        survives a crash or "Time out". For bug reports.
    --help
        This page.
    --version
        The program's version.

    Progress goes to stderr: a bar redrawn in place on a terminal, with the
    time left once a twentieth is done, one line per preset otherwise; on a
    terminal the search for the device first says which ports it tries.
    backup and restore end with a line on stdout that says what they did
    ("5 presets and the current settings saved to DIR").

    A preset file is exactly 161 bytes, and restore, load and store take
    one only when every value the device reads from it lies in the device's
    range (notch gain step 0-45, frequency index 0-729, width index 0-3;
    automatic notch count 1-12, automatic width index 0-3; attenuation,
    release and search mode 0-1; sensitivity step 0-15): the first value
    outside is named, and nothing is sent.

EXIT STATUS
    0  done
    1  "Time out": the device stopped answering (or failed) mid-way, its
       answers could not be read soundly, or an entry read back holds
       other bytes than were written
    2  arguments or input files refused; nothing was sent
    3  no device found
    4  a file or folder could not be written

EXAMPLE
    ksr704-cli backup show-backup
    ksr704-cli --device /dev/ttyUSB0 restore show-backup 05 07
    ksr704-cli --port 2 store ballad.Fbk 12 Ballad
    ksr704-cli --device tcp://rack-1:4001 list
)");
}

} // namespace ksr
