// Start-up through the real windows: init.cfg, the probe of the saved port,
// the port search, demo mode, and the memory dump that fills the editor.

#include "support/ProgramRig.h"

#include "operations/PresetMemory.h"
#include "shell/RemoteOptions.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

using namespace ksr;
using namespace ksr::test;

Q_DECLARE_METATYPE(ksr::MessageAnswer)

namespace {

const QByteArray ProbeFrame = QByteArray::fromHex("F05B00000000000000F7");

QByteArray ConfigFor(int port)
{
    QByteArray bytes(14, '\0');
    bytes[0] = static_cast<char>(port);
    return bytes;
}

int ProbeCount(const QList<QByteArray> &writes)
{
    return static_cast<int>(std::count(writes.begin(), writes.end(), ProbeFrame));
}

// A preset of the device's own choosing that is not flat: every Left filter
// at its own frequency and gain, Right with other counts and modes.
sim::Preset DistinctPreset()
{
    sim::Preset p{};
    std::copy_n(FlatPresetImage.begin(), PresetBytes, p.begin());
    for (int f = 0; f < FilterCount; ++f) {
        const auto o = static_cast<std::size_t>(NotchOffset[static_cast<std::size_t>(f)]);
        const int index = 100 + 25 * f;
        p[o] = static_cast<std::uint8_t>(10 + f);
        p[o + 1] = static_cast<std::uint8_t>(index >> 8);
        p[o + 2] = static_cast<std::uint8_t>(index & 0xFF);
        p[o + 3] = static_cast<std::uint8_t>(f < 12 ? (f < 3 ? 1 : f % 4) : (f < 17 ? 3 : f % 4));
    }
    p[76] = 3;   // Left: 3 automatic filters, width 1/20
    p[77] = 1;
    p[78] = 1;
    p[79] = 9;
    p[100] = 1;  // Right: release "Fast", search "Fast"
    p[101] = 1;
    p[156] = 5;  // Right: 5 automatic filters, width 1/5
    p[157] = 3;
    p[158] = 0;
    p[159] = 15;
    return p;
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void firstStartSearchesAndSavesThePort()
    {
        ProgramRig rig;
        rig.port.AddSilentPort(1);
        rig.port.AttachDevice(3, &rig.device);
        rig.Start();

        // The empty file read at start is written with port 3.
        QCOMPARE(rig.Config(), ConfigFor(3));
        QCOMPARE(rig.program.Link().PortNumber(), std::int16_t{3});
        QVERIFY(!rig.program.State().DemoMode);
        QCOMPARE(rig.program.MainWindow().PortStatus->text(), QStringLiteral("Port 3"));
        // Port 1 was probed in vain, port 2 does not open, port 3 answered.
        QCOMPARE(ProbeCount(rig.Writes()), 2);
        QCOMPARE(rig.program.MainWindow().windowTitle(), QStringLiteral("KSR-704 - Remote Control Software"));
        QVERIFY(rig.dialogs.messages.isEmpty());
        QVERIFY(!rig.end.Ended());
        QVERIFY(!rig.program.Splash().isVisible());
    }

    void savedPortIsFoundWithoutSearch()
    {
        ProgramRig rig;
        rig.WriteConfig(ConfigFor(3));
        rig.port.AddSilentPort(1);
        rig.port.AttachDevice(3, &rig.device);
        rig.Start();
        QCOMPARE(ProbeCount(rig.Writes()), 1);
        QCOMPARE(rig.Config(), ConfigFor(3));
        // Every frame of start-up reached the device.
        QCOMPARE(rig.device.ReceivedFrames().size(), std::size_t(rig.Writes().size()));
    }

    void movedDeviceIsSearchedSkippingTheSavedPort()
    {
        ProgramRig rig;
        QByteArray config = ConfigFor(3);
        config[5] = 0x42; // the reserved bytes are written back as they were
        rig.WriteConfig(config);
        for (int n : {1, 2, 3, 4})
            rig.port.AddSilentPort(n);
        rig.port.AttachDevice(5, &rig.device);
        rig.Start();
        // Saved port 3, then 1, 2, 4 in vain, then 5.
        QCOMPARE(ProbeCount(rig.Writes()), 5);
        config[0] = 5;
        QCOMPARE(rig.Config(), config);
    }

    // Only the splash shows while the device is searched and read, with its
    // label and the busy pointer; the main window appears at the end, maximized.
    void splashAloneShowsWhileStartUpWaits()
    {
        ProgramRig rig;
        rig.port.AddSilentPort(1);
        rig.port.AttachDevice(2, &rig.device);
        rig.port.SetLinePace(WireByteSeconds);
        Program &p = rig.program;
        QSet<QString> labels;
        int waits = 0;
        rig.port.SetWaitHook([&] {
            ++waits;
            QVERIFY(!p.MainWindow().isVisible());
            QVERIFY(p.Splash().isVisible());
            QVERIFY(p.Splash().Label1->isVisible());
            QCOMPARE(p.Splash().cursor().shape(), Qt::BusyCursor);
            labels << p.Splash().Label1->text();
        });
        rig.Start();
        // Every frame of start-up was awaited (the probe and the dump), and
        // the quiet line after the current settings' block.
        QCOMPARE(waits, rig.Writes().size() + 1);
        QCOMPARE(labels, (QSet<QString>{QStringLiteral("Searching COM: please wait "),
                                        QStringLiteral("Dumping memory: please wait ")}));
        QVERIFY(p.MainWindow().isVisible());
        QVERIFY(p.MainWindow().isMaximized());
        QVERIFY(!p.Splash().isVisible());
    }

    void noDeviceAndDemoMode()
    {
        ProgramRig rig;
        rig.dialogs.answers = {MessageAnswer::Yes};
        rig.Start();

        QCOMPARE(rig.dialogs.messages.size(), 1);
        const MessageRequest &question = rig.dialogs.messages.front();
        QCOMPARE(question.text, QStringLiteral("COM not found, do you want continue in demo mode?"));
        QCOMPARE(question.title, QStringLiteral("Warning"));
        QCOMPARE(question.buttons, MessageButtons::YesNo);
        QCOMPARE(question.icon, MessageIcon::None);

        QVERIFY(rig.program.State().DemoMode);
        QCOMPARE(rig.program.MainWindow().windowTitle(), QStringLiteral("KSR-704 - DEMO - Remote Control Software"));
        QCOMPARE(rig.program.MainWindow().PortStatus->text(), QStringLiteral("Demo mode"));
        QCOMPARE(ImageBytes(rig.program.Values(), 0, PresetBytes),
                 QByteArray(reinterpret_cast<const char *>(FlatPresetImage.data()), PresetBytes));
        QVERIFY(rig.Writes().isEmpty());
        QCOMPARE(rig.Config(), ConfigFor(35)); // the last number tried
        QCOMPARE(rig.program.State().PresetNames[4], QStringLiteral(" Empty  "));
        QVERIFY(!rig.program.State().SendSuppressed);

        // The flat preset in the editor: 0 dB, 247.9 Hz, 1/10, only row 11 of each channel editable.
        FrmEq &editor = rig.program.Editor();
        for (int f = 0; f < FilterCount; ++f) {
            QCOMPARE(editor.Text1Text(f), QStringLiteral("0"));
            QCOMPARE(editor.Text2Text(f), QStringLiteral("247.9"));
            QCOMPARE(editor.Text3Text(f), QStringLiteral("1/10"));
            QCOMPARE(editor.HScroll20[static_cast<std::size_t>(f)]->isEnabled(), f % 12 == 11);
        }
        QCOMPARE(editor.Text4[0]->text(), QStringLiteral("7"));

        // Edits in demo mode change the image and send nothing.
        editor.HScroll20[11]->setValue(20);
        QCOMPARE(rig.program.Values().PresetImage[72], std::uint8_t{20});
        QVERIFY(rig.Writes().isEmpty());
    }

    // Once start-up is done only the channel comparison ticks: the splash's
    // timer has stopped (it would run start-up a second time), the report
    // poll waits for a search, and nothing else keeps the idle program busy.
    void onlyTheComparisonTicksAfterStartUp_data()
    {
        QTest::addColumn<bool>("device");
        QTest::newRow("device found") << true;
        QTest::newRow("demo mode") << false;
    }
    void onlyTheComparisonTicksAfterStartUp()
    {
        QFETCH(bool, device);
        ProgramRig rig;
        if (device)
            rig.StartWithDevice();
        else {
            rig.dialogs.answers = {MessageAnswer::Yes};
            rig.Start();
        }
        QCOMPARE(rig.program.State().DemoMode, !device);
        QStringList running;
        for (const QWidget *window : QApplication::topLevelWidgets())
            for (const QTimer *timer : window->findChildren<QTimer *>())
                if (timer->isActive())
                    running << QStringLiteral("%1 %2").arg(QString::fromLatin1(timer->parent()->metaObject()->className()),
                                                           timer->objectName());
        QCOMPARE(running.join(QStringLiteral(", ")), QStringLiteral("ksr::MdiFrmMain Timer3"));
    }

    void noDeviceAndNoEndsAtOnce()
    {
        ProgramRig rig;
        rig.dialogs.answers = {MessageAnswer::No};
        rig.Start();
        QCOMPARE(rig.end.exitCodes, QList<int>{0});
        QCOMPARE(rig.dialogs.messages.size(), 1); // no exit question
        QCOMPARE(rig.Config(), QByteArray());     // created empty, never written
        QVERIFY(rig.Writes().isEmpty());
    }

    void unwritableConfigIsTreatedAsAbsent()
    {
        ProgramRig rig;
        QDir(rig.folder.path()).mkdir(QStringLiteral("init.cfg")); // a folder where the file should be
        rig.port.AttachDevice(2, &rig.device);
        rig.Start();
        QCOMPARE(rig.program.Link().PortNumber(), std::int16_t{2});
        QVERIFY(rig.dialogs.messages.isEmpty());
        QVERIFY(!rig.end.Ended());
    }

    void dumpReadsTheDirectoryAndCurrentSettings()
    {
        ProgramRig rig;
        rig.WriteConfig(ConfigFor(1));
        rig.port.AttachDevice(1, &rig.device);
        rig.Start();

        // Probe, 16 markers, 8 name bytes for each of the 4 used slots, 8 bytes of the current name.
        const auto &frames = rig.device.ReceivedFrames();
        const int reads = 16 + 8 * 4 + 8;
        QCOMPARE(int(frames.size()), 1 + reads + 1 + 3);
        for (int k = 0; k < 16; ++k)
            QCOMPARE(FrameBytes(frames[static_cast<std::size_t>(1 + k)]),
                     QByteArray::fromHex("F05B10") + QByteArray::fromHex("00") + char(0x30 + k)
                         + QByteArray::fromHex("00000000F7"));
        // The first name byte of user slot 0.
        QCOMPARE(FrameBytes(frames[static_cast<std::size_t>(1 + 16)]), QByteArray::fromHex("F05B100F2000000000F7"));
        QCOMPARE(FrameBytes(frames[static_cast<std::size_t>(1 + reads)]), QByteArray::fromHex("F05B0BFF0000000000F7"));
        const auto current = rig.device.CurrentSettings();
        const QByteArray left = QByteArray(reinterpret_cast<const char *>(current.data()) + 76, 4);
        const QByteArray right = QByteArray(reinterpret_cast<const char *>(current.data()) + 156, 4);
        QCOMPARE(FrameBytes(frames[static_cast<std::size_t>(2 + reads)]),
                 QByteArray::fromHex("F05B0A00") + left + QByteArray::fromHex("00F7"));
        QCOMPARE(FrameBytes(frames[static_cast<std::size_t>(3 + reads)]),
                 QByteArray::fromHex("F05B0A01") + left + QByteArray::fromHex("00F7"));
        QCOMPARE(FrameBytes(frames[static_cast<std::size_t>(4 + reads)]),
                 QByteArray::fromHex("F05B0A02") + right + QByteArray::fromHex("00F7"));

        const AppState &state = rig.program.State();
        const PresetValues &values = rig.program.Values();
        const QList<bool> used = {true, true, true, true, true, true, false, false, true, false,
                                  false, false, false, true, false, false, false, false, false, false};
        for (int e = 0; e < DirectoryEntries; ++e)
            QCOMPARE(state.PresetUsed[static_cast<std::size_t>(e)], used[e]);
        QCOMPARE(state.PresetNames[0], QStringLiteral("Preset01"));
        QCOMPARE(state.PresetNames[3], QStringLiteral("Preset04"));
        QCOMPARE(state.PresetNames[4], QStringLiteral("  Hall  "));
        QCOMPARE(state.PresetNames[5], QStringLiteral("  Stage "));
        QCOMPARE(state.PresetNames[6], QStringLiteral(" Empty  "));
        QCOMPARE(state.PresetNames[13], QStringLiteral("   Gym  "));
        QCOMPARE(rig.program.Editor().Label7->text(), QStringLiteral("Preset loaded from Device"));
        QCOMPARE(rig.program.Editor().Label8->text(), QString());
        QCOMPARE(values.PresetImage[160], std::uint8_t{0});
        QVERIFY(!state.SendSuppressed);
        QVERIFY(rig.program.MainWindow().Timer3->isActive());
        QCOMPARE(rig.program.MainWindow().Timer3->interval(), 3000);
    }

    void editorShowsTheDeviceSettings()
    {
        ProgramRig rig;
        rig.device.SetCurrentSettings(DistinctPreset());
        rig.port.AttachDevice(1, &rig.device);
        rig.Start();

        const PresetValues &values = rig.program.Values();
        FrmEq &editor = rig.program.Editor();
        const sim::Preset device = rig.device.CurrentSettings();
        // The image is the device's, byte for byte: its automatic filters
        // already carry their channel's width.
        QCOMPARE(ImageBytes(values, 0, PresetBytes), QByteArray(reinterpret_cast<const char *>(device.data()), 160));
        for (int f = 0; f < FilterCount; ++f) {
            const auto i = static_cast<std::size_t>(f);
            QCOMPARE(editor.Text1Text(f), QString::number(10 + f - 45));
            QCOMPARE(editor.Text2Text(f), FrequencyText(FreqTable[static_cast<std::size_t>(100 + 25 * f)]));
            QCOMPARE(editor.HScroll6[i]->value(), 100 + 25 * f);
            QCOMPARE(values.NotchFreqHz[i], FreqTable[static_cast<std::size_t>(100 + 25 * f)]);
            QCOMPARE(values.NotchGainDb[i], double(10 + f - 45));
        }
        QCOMPARE(editor.Text3Text(0), QStringLiteral("1/20"));
        QCOMPARE(editor.Text3Text(12), QStringLiteral("1/5"));
        QCOMPARE(editor.Label3[0]->text(), QStringLiteral("3"));
        QCOMPARE(editor.Label3[1]->text(), QStringLiteral("5"));
        QCOMPARE(editor.Label6[0]->text(), QStringLiteral("Variable"));
        QCOMPARE(editor.Label1[1]->text(), QStringLiteral("Fast"));
        QCOMPARE(editor.Label9[1]->text(), QStringLiteral("Fast"));
        QCOMPARE(editor.Text4[0]->text(), QStringLiteral("10"));
        QCOMPARE(editor.Text4[1]->text(), QStringLiteral("16"));
        QVERIFY(!editor.HScroll20[2]->isEnabled());
        QVERIFY(editor.HScroll20[3]->isEnabled());
        QVERIFY(!editor.HScroll20[16]->isEnabled());
        QVERIFY(editor.HScroll20[17]->isEnabled());
        QCOMPARE(values.ChannelSettings[SettingIndex(AutoCountSlot, 1)], std::int16_t{5});
    }

    void imageOutOfRangeIsClampedAsTheControlsAreSet()
    {
        ProgramRig rig;
        sim::Preset wild;
        wild.fill(0xFF);
        rig.device.SetCurrentSettings(wild);
        rig.port.AttachDevice(1, &rig.device);
        rig.Start();

        const PresetValues &values = rig.program.Values();
        for (int f = 0; f < FilterCount; ++f) {
            const auto o = static_cast<std::size_t>(NotchOffset[static_cast<std::size_t>(f)]);
            QCOMPARE(values.PresetImage[o], std::uint8_t{45});
            QCOMPARE(values.PresetImage[o + 1] * 256 + values.PresetImage[o + 2], 729);
            QCOMPARE(values.PresetImage[o + 3], std::uint8_t{3});
            QCOMPARE(rig.program.Editor().Text2Text(f), QStringLiteral("20000"));
        }
        for (int c = 0; c < 2; ++c) {
            const auto i = static_cast<std::size_t>(c);
            QCOMPARE(values.PresetImage[static_cast<std::size_t>(AutoCountOffset[i])], std::uint8_t{12});
            QCOMPARE(values.PresetImage[static_cast<std::size_t>(AutoQOffset[i])], std::uint8_t{3});
            QCOMPARE(values.PresetImage[static_cast<std::size_t>(AttenuationOffset[i])], std::uint8_t{1});
            QCOMPARE(values.PresetImage[static_cast<std::size_t>(SensitivityOffset[i])], std::uint8_t{15});
            QCOMPARE(values.PresetImage[static_cast<std::size_t>(ReleaseOffset[i])], std::uint8_t{0});
            QCOMPARE(values.PresetImage[static_cast<std::size_t>(SearchModeOffset[i])], std::uint8_t{0});
        }
        // The uninterpreted bytes are carried as they came.
        QCOMPARE(values.PresetImage[0], std::uint8_t{0xFF});
        QCOMPARE(values.PresetImage[22], std::uint8_t{0xFF});
        QCOMPARE(rig.program.Editor().Label1[0]->text(), QStringLiteral("Slow"));
    }

    void failedBlockReadShowsTheFlatPreset()
    {
        ProgramRig rig;
        rig.port.AttachDevice(1, &rig.device);
        rig.port.FailWritesWhere([](const QByteArray &bytes) { return bytes.startsWith(QByteArray::fromHex("F05B0B")); });
        rig.Start();
        QCOMPARE(rig.dialogs.Texts(), QStringList{QStringLiteral("The current settings could not be read from the device.")});
        // The editor holds the flat preset, as in demo mode: no image never
        // filled (every row at -45 dB, 20 Hz) that a store would write.
        QCOMPARE(ImageBytes(rig.program.Values(), 0, PresetBytes),
                 QByteArray(reinterpret_cast<const char *>(FlatPresetImage.data()), PresetBytes));
        QCOMPARE(rig.program.Editor().Text2Text(5), QStringLiteral("247.9"));
        QCOMPARE(rig.program.Editor().Text1Text(5), QStringLiteral("0"));
        QVERIFY(!rig.end.Ended());
        // Settings never read are not sent back over the device's own.
        for (const QByteArray &frame : rig.Writes())
            QVERIFY(!frame.startsWith(QByteArray::fromHex("F05B0A")));
    }

    // A device lost during the dump: "Time out", then demo mode or an
    // offline window that looks for it again.
    void silentDeviceDuringTheDumpOffersDemoOrLookingAgain_data()
    {
        QTest::addColumn<MessageAnswer>("answer");
        QTest::newRow("look again") << MessageAnswer::No;
        QTest::newRow("demo mode") << MessageAnswer::Yes;
    }
    void silentDeviceDuringTheDumpOffersDemoOrLookingAgain()
    {
        QFETCH(MessageAnswer, answer);
        ProgramRig rig;
        rig.port.AttachDevice(1, &rig.device);
        sim::Faults faults;
        faults.onlyCommand = ReadByteCommand;
        faults.silentReplies = -1;
        rig.device.SetFaults(faults);
        rig.dialogs.answers = {MessageAnswer::Ok, answer};
        rig.Start();
        QCOMPARE(rig.dialogs.Texts(), (QStringList{QStringLiteral("Time out"),
                                                   QStringLiteral("The device stopped answering while its settings "
                                                                  "were read.")}));
        QCOMPARE(rig.dialogs.messages.last().defaultAnswer, MessageAnswer::No);
        QVERIFY(!rig.end.Ended());
        QVERIFY(rig.program.MainWindow().isVisible());
        // Probe and six sends of the first marker read; nothing after them.
        QCOMPARE(rig.Writes().size(), 7);
        QCOMPARE(ImageBytes(rig.program.Values(), 0, PresetBytes),
                 QByteArray(reinterpret_cast<const char *>(FlatPresetImage.data()), PresetBytes));
        QCOMPARE(rig.program.State().DemoMode, answer == MessageAnswer::Yes);
        QCOMPARE(rig.program.Recovery().Offline(), answer == MessageAnswer::No);
        QTRY_COMPARE(rig.program.MainWindow().windowTitle().contains(QStringLiteral("OFFLINE")), answer == MessageAnswer::No);
    }

    // --port N and --device PATH: that port alone is probed; a device found
    // by number is saved in init.cfg, one named by its path leaves it alone.
    void onlyTheChosenPortIsProbed_data()
    {
        QTest::addColumn<int>("chosen");
        QTest::addColumn<bool>("save");
        QTest::addColumn<int>("devicePort");
        QTest::addColumn<bool>("demo");
        QTest::addColumn<QByteArray>("config");
        QTest::newRow("--port answers") << 3 << true << 3 << false << ConfigFor(3);
        QTest::newRow("--device answers") << 1 << false << 1 << false << ConfigFor(5);
        QTest::newRow("--port silent, no search") << 2 << true << 1 << true << ConfigFor(2);
        QTest::newRow("--device silent, no search") << 1 << false << 2 << true << ConfigFor(5);
    }
    void onlyTheChosenPortIsProbed()
    {
        QFETCH(int, chosen);
        QFETCH(bool, save);
        QFETCH(int, devicePort);
        QFETCH(bool, demo);
        QFETCH(QByteArray, config);
        ProgramRig rig;
        rig.WriteConfig(ConfigFor(5));
        rig.port.AddSilentPort(chosen);
        rig.port.AttachDevice(devicePort, &rig.device);
        rig.port.AttachDevice(5, &rig.device);
        rig.dialogs.answers = {MessageAnswer::Yes};
        rig.program.ProbeOnlyPort(chosen, save);
        rig.Start();
        QCOMPARE(rig.program.State().DemoMode, demo);
        QCOMPARE(rig.dialogs.messages.size(), demo ? 1 : 0);
        QCOMPARE(rig.Config(), config);
        // Nothing but the chosen port was probed: every probe went to it.
        QCOMPARE(rig.program.Link().PortNumber(), std::int16_t(chosen));
        QCOMPARE(rig.device.ReceivedFrames().empty(), demo);
    }

    // ksr704-remote's command line; an empty refusal means it is taken.
    void remoteCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<int>("port");
        QTest::addColumn<bool>("userFolder");
        QTest::addColumn<QString>("device"); // the device path opened
        QTest::newRow("Qt's options pass") << QStringList{"-platform", "offscreen", "--port", "3"} << "" << 3 << false << "";
        QTest::newRow("device and user folder") << QStringList{"--device", "ttyUSB0", "--user-folder"} << "" << 0 << true << "ttyUSB0";
        // Not a file: not made absolute from the current folder.
        QTest::newRow("device server") << QStringList{"--device", "tcp://[fe80::1]:4001"} << "" << 0 << false << "tcp://[fe80::1]:4001";
        QTest::newRow("device server without port") << QStringList{"--device", "tcp://rack-1"} << "--device expects tcp://HOST:PORT" << 0 << false << "";
        QTest::newRow("port and device") << QStringList{"--port", "2", "--device", "x"} << "exclude each other" << 0 << false << "";
        QTest::newRow("port 0") << QStringList{"--port", "0"} << "--port expects" << 0 << false << "";
        QTest::newRow("two start folders") << QStringList{"--start-folder", "a", "--user-folder"} << "exclude each other" << 0 << false << "";
        QTest::newRow("unknown option") << QStringList{"--frobnicate"} << "Unknown option" << 0 << false << "";
        QTest::newRow("stray argument") << QStringList{"stray"} << "unexpected argument" << 0 << false << "";
    }
    void remoteCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, refusal);
        QFETCH(int, port);
        QFETCH(bool, userFolder);
        QFETCH(QString, device);
        const auto parsed = ParseRemoteOptions(QStringList{"ksr704-remote"} + arguments);
        if (!refusal.isEmpty()) {
            const auto *refused = std::get_if<CommandLineRefusal>(&parsed);
            QVERIFY(refused);
            QVERIFY2(refused->message.contains(refusal), qPrintable(refused->message));
            return;
        }
        const auto *options = std::get_if<RemoteOptions>(&parsed);
        QVERIFY(options);
        QCOMPARE(options->portChoice.port, port);
        QCOMPARE(options->userFolder, userFolder);
        QCOMPARE(ChosenDevicePath(options->portChoice), device);
    }

    // The folder that stands for the start folder; an empty one is refused.
    void chosenStartFolder_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("folder"); // under the test's folder
        QTest::addColumn<bool>("refused");
        QTest::newRow("none: the current folder") << QStringList{} << "" << false;
        QTest::newRow("user folder, made with its presets") << QStringList{"--user-folder"} << "data/Preset" << false;
        QTest::newRow("existing start folder") << QStringList{"--start-folder", "."} << "" << false;
        QTest::newRow("missing start folder") << QStringList{"--start-folder", "nowhere"} << "" << true;
    }
    void chosenStartFolder()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, folder);
        QFETCH(bool, refused);
        QTemporaryDir here;
        QDir::setCurrent(here.path());
        const auto options = std::get<RemoteOptions>(ParseRemoteOptions(QStringList{"ksr704-remote"} + arguments));
        QString error;
        const QString chosen = ChosenStartFolder(options, here.filePath(QStringLiteral("data")), error);
        QCOMPARE(error.isEmpty(), !refused);
        if (!folder.isEmpty())
            QVERIFY(QFileInfo(here.filePath(folder)).isDir());
        if (!refused && !arguments.isEmpty())
            QCOMPARE(QDir(chosen).canonicalPath(), QDir(here.filePath(folder.section('/', 0, 0))).canonicalPath());
    }

    void helpListsEveryOption()
    {
        const auto parsed = ParseRemoteOptions({"ksr704-remote", "--help"});
        QVERIFY(std::holds_alternative<CommandLineText>(parsed));
        for (const char *option : {"--port", "--device", "--start-folder", "--user-folder", "--trace", "--help", "--version"})
            QVERIFY2(std::get<CommandLineText>(parsed).text.contains(QLatin1String(option)), option);
    }

    void displayCheckNeedsBothDirectionsSmall_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<bool>("warn");
        QTest::newRow("640x480") << QSize(640, 480) << true;
        QTest::newRow("1024x576") << QSize(1024, 576) << false;
        QTest::newRow("700x900") << QSize(700, 900) << false;
        QTest::newRow("800x600") << QSize(800, 600) << false;
    }
    void displayCheckNeedsBothDirectionsSmall()
    {
        QFETCH(QSize, screen);
        QFETCH(bool, warn);
        QCOMPARE(DisplayTooSmall(screen), warn);
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
