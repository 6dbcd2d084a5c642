#pragma once
// The whole program on the offscreen platform, started in a temporary folder
// that holds its init.cfg and its view settings, on a line to a simulated
// device. The line is a parameter: in-process here (the simulated device on
// the virtual clock), ksr704-sim on a pseudo-terminal or TCP in
// SimulatorRig.h. So are the dialogs and the program end: scripted and
// recorded for tests, answering by themselves for the fuzzer and the
// benchmark.

#include "ScriptedDialogs.h"
#include "LinkRig.h"

#include "shell/Program.h"
#include "sim/InProcessPort.h"
#include "sim/SimDevice.h"
#include "sim/VirtualClock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace ksr::test {

// The in-process line: the simulated device behind the in-process port, on
// the virtual clock that the port advances.
struct InProcessLine {
    sim::VirtualClock clock;
    sim::SimDevice device;
    sim::InProcessPort port{clock};

    void AttachDevice() { port.AttachDevice(LinkRig::DevicePort, &device); }
    // Forgets the frames the port and the device recorded so far.
    void ForgetFrames()
    {
        port.ClearWrites();
        device.ClearReceivedFrames();
    }
    QList<QByteArray> Writes() const { return port.Writes(); }
};

// Where a rig keeps its files; each empty one is the default.
struct RigPlaces {
    // The INI file that keeps the view's choices: the rig folder's, never the user's.
    QString settings;
    // The folder the program starts in: the rig's folder.
    QString start;
    // The folder the rig's temporary folder is made in: the system's.
    QString within;
};

template <class Line, class Dialogs = ScriptedDialogs, class End = RecordingProgramEnd>
struct BasicProgramRig : Line {
    QTemporaryDir folder;
    Dialogs dialogs;
    End end;
    QString settingsPath;
    QString startFolder;
    Program program{this->port, this->clock, dialogs, end, settingsPath};

    // Makes the start folder the current one.
    explicit BasicProgramRig(const RigPlaces &places)
        : folder(places.within.isEmpty() ? QDir::tempPath() + QStringLiteral("/ksr704-rig-XXXXXX")
                                         : QDir(places.within).filePath(QStringLiteral("rig-XXXXXX"))),
          settingsPath(places.settings.isEmpty() ? folder.filePath(QStringLiteral("ksr704-remote.ini"))
                                                 : places.settings),
          startFolder(places.start.isEmpty() ? folder.path() : places.start)
    {
        QDir::setCurrent(startFolder);
    }
    // `settings`: the INI file that keeps the look, when not the rig's own.
    explicit BasicProgramRig(const QString &settings = {}) : BasicProgramRig(RigPlaces{settings, {}, {}}) {}

    QString ConfigPath() const { return QDir(startFolder).filePath(QStringLiteral("init.cfg")); }
    void WriteConfig(const QByteArray &bytes) const
    {
        QFile file(ConfigPath());
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }
    QByteArray Config() const
    {
        QFile file(ConfigPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    // The splash's load and its timer, without waiting the two seconds.
    void Start()
    {
        program.SplashForm_Load();
        program.SplashTimer1_Timer();
    }

    // Starts with the device on port 1 and forgets the frames of start-up.
    void StartWithDevice()
    {
        this->AttachDevice();
        Start();
        this->ForgetFrames();
    }
};

using ProgramRig = BasicProgramRig<InProcessLine>;

// The flat preset with the given automatic counts: the rows after them are editable.
inline sim::Preset FlatPresetWithAutoCounts(int left, int right)
{
    sim::Preset p{};
    std::copy_n(FlatPresetImage.begin(), PresetBytes, p.begin());
    p[76] = static_cast<std::uint8_t>(left);
    p[156] = static_cast<std::uint8_t>(right);
    return p;
}

inline QByteArray ImageBytes(const PresetValues &values, int from, int count)
{
    return QByteArray(reinterpret_cast<const char *>(values.PresetImage.data()) + from, count);
}

} // namespace ksr::test
