#pragma once
// The whole program on the offscreen platform, wired to in-process simulated
// ports on the virtual clock, with scripted dialogs, started in a temporary
// folder that holds its init.cfg.

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

struct ProgramRig {
    QTemporaryDir folder;
    sim::VirtualClock clock;
    sim::SimDevice device;
    sim::InProcessPort port{clock};
    ScriptedDialogs dialogs;
    RecordingProgramEnd end;
    // The look is kept in the rig's folder, never in the user's settings.
    QString settingsPath;
    Program program{port, clock, dialogs, end, settingsPath};

    // `settings`: the INI file that keeps the look, when not the rig's own.
    explicit ProgramRig(const QString &settings = {})
        : settingsPath(settings.isEmpty() ? folder.filePath(QStringLiteral("ksr704-remote.ini")) : settings)
    {
        QDir::setCurrent(folder.path());
    }

    QString ConfigPath() const { return folder.filePath(QStringLiteral("init.cfg")); }
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
        port.AttachDevice(1, &device);
        Start();
        port.ClearWrites();
        device.ClearReceivedFrames();
    }

    QList<QByteArray> Writes() const { return port.Writes(); }
};

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
