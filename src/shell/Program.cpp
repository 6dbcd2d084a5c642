#include "shell/Program.h"

#include "core/PortConfig.h"
#include "operations/Notifications.h"
#include "shell/DeviceSearch.h"

#include <QCheckBox>
#include <QDir>
#include <QToolButton>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTimer>

namespace ksr {

bool DisplayTooSmall(QSize pixels)
{
    return pixels.width() < 800 && pixels.height() < 600;
}

Program::Program(SerialPort &port, Clock &clock, UserDialogs &dialogs, ProgramEnd &end)
    : link(state, port, clock, dialogs, end), graph(state), editor(*mainWindow.AddEditor(new FrmEq(graph))),
      sender(state, link, editor), rowEditing(state, editor, sender, graph, dialogs),
      channels(state, editor, sender, graph, dialogs), autoEditing(state, editor, sender, dialogs),
      editorCommands(state, editor, channels, dialogs),
      search(state, editor, link, editorCommands,
             [this](bool on) {
                 if (on)
                     notificationPoll.start(NotificationPollMilliseconds);
                 else
                     notificationPoll.stop();
             }),
      presets(state, link, editor, sender, graph, *this, dialogs),
      devicePresets(state, link, editor, sender, graph, presets, dialogs),
      presetFiles(state, editor, sender, graph, dialogs),
      mainCommands(state, mainWindow, channels, devicePresets, presetFiles, dialogs), port_(port),
      dialogs_(dialogs), end_(end)
{
    // Clearing the box from the program runs the link handling as a click does.
    QObject::connect(editor.Check2, &QCheckBox::toggled, &editor, [this] { channels.LinkChannels(); });
    for (int index : {0, 1, 2, 3, 7, 8})
        editorCommands.outside << mainWindow.Command1[static_cast<std::size_t>(index)];
    link.SetBusyChanged([this](bool busy) { waitFilter.SetBusy(busy); });
    // A timer of the main window: it waits, as the window's others do, while
    // the device is busy.
    notificationPoll.setParent(&mainWindow);
    sender.SetAutoWidthsChanged([this](int c) {
        graph.RedrawFilters(c, state.ChannelSettings[SettingIndex(AutoCountSlot, c)]);
    });
    link.SetReportHandler([this] {
        while (TakeInReport()) {
        }
    });
    QObject::connect(&notificationPoll, &QTimer::timeout, &mainWindow, [this] { PollNotifications(); });
    port_.SetArrivalHandler([this] { PollNotifications(); });

    splash.Timer1->setSingleShot(true);
    QObject::connect(splash.Timer1, &QTimer::timeout, &splash, [this] { SplashTimer1_Timer(); });
    QObject::connect(mainWindow.Timer3, &QTimer::timeout, &mainWindow, [this] { Timer3_Timer(); });
    mainWindow.closeRequested = [this] { return MDIForm_QueryUnload(); };
}

Program::~Program()
{
    port_.SetArrivalHandler({});
}

void Program::SplashForm_Load()
{
    splash.Label1->hide();
    splash.show();
    if (const QScreen *screen = QGuiApplication::primaryScreen(); screen && DisplayTooSmall(screen->size()))
        dialogs_.ShowMessage({QStringLiteral("Minimum display resolution is 800x600"), QStringLiteral("Warning")});
    state.StartDirectory = QDir::currentPath();
    QDir::setCurrent(state.StartDirectory);
    splash.Timer1->start(SplashMilliseconds);
}

void Program::SplashTimer1_Timer()
{
    splash.Timer1->stop();
    splash.setCursor(Qt::BusyCursor);
    // The main window is built but stays hidden while start-up searches and
    // reads the device; it appears, maximized, when start-up is complete.
    MDIForm_Load();
}

QString Program::ConfigPath() const
{
    return QDir(state.StartDirectory).filePath(QStringLiteral("init.cfg"));
}

void Program::MDIForm_Load()
{
    state.DemoMode = false;
    state.ExitWithoutConfirm = false;
    ShowSplashLabel();

    PortConfigRecord config = ReadPortConfig(ConfigPath());
    state.PortNumber = config.PortNumber();
    if (!FindDeviceOrDemo())
        return;
    config.SetPortNumber(state.PortNumber);
    WritePortConfig(ConfigPath(), config);

    CompleteStartup();
}

bool Program::FindDeviceOrDemo()
{
    if (ProbeSavedPort(state, link))
        return true;
    ShowSplashLabel();
    if (PortSearch(state, link))
        return true;

    const MessageAnswer answer =
        dialogs_.ShowMessage({QStringLiteral("COM not found, do you want continue in demo mode?"),
                              QStringLiteral("Warning"), MessageIcon::None, MessageButtons::YesNo,
                              MessageAnswer::Yes});
    if (answer != MessageAnswer::Yes) {
        state.ExitWithoutConfirm = true;
        mainWindow.close();
        return false;
    }
    state.DemoMode = true;
    presets.FillDemoPresets();
    return true;
}

void Program::CompleteStartup()
{
    presets.DumpDeviceMemory();
    state.SendSuppressed = false;
    mainWindow.Timer3->start(CompareMilliseconds);
    state.CurrentPresetName.clear();
    state.PresetTitle = state.CurrentPresetName;
    presets.ShowPresetTitle();
    editor.SetLabel7Caption(QStringLiteral("Preset loaded from Device"));
    editor.SetLabel8Caption(state.CurrentPresetName);
    // Without a window manager (a bare X server) maximizing does nothing:
    // take the screen's size as well.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        mainWindow.setGeometry(screen->availableGeometry());
    mainWindow.showMaximized();
    if (mainWindow.EditorWindow)
        mainWindow.EditorWindow->move(0, 0);
    splash.unsetCursor();
    splash.close();
    state.SearchActive = false;
    state.ExitRequested = false;
}

bool Program::MDIForm_QueryUnload()
{
    if (state.ExitWithoutConfirm) {
        state.ProgramEnding = true;
        end_.EndProgram(0);
        return true;
    }
    if (state.SearchActive)
        return false;
    const MessageAnswer answer = dialogs_.ShowMessage({QStringLiteral("               Are you sure ? "),
                                                       QStringLiteral("Exit"), MessageIcon::None,
                                                       MessageButtons::YesNo, MessageAnswer::No});
    if (answer != MessageAnswer::Yes)
        return false;
    link.ExchangeCommand({ExitCommand, 0, 0, 0, 0, 0, 0});
    state.ExitRequested = true;
    // A device that did not answer has already ended the program.
    if (!state.ProgramEnding) {
        state.ProgramEnding = true;
        end_.EndProgram(0);
    }
    return true;
}

void Program::Timer3_Timer()
{
    CompareChannels(state);
    mainWindow.Timer3->setInterval(CompareMilliseconds);
}

void Program::PollNotifications()
{
    if (state.SearchActive)
        TakeInReport();
}

bool Program::TakeInReport()
{
    if (!link.TakeNotification())
        return false;
    HandleNotification(state, editor, sender, graph);
    link.SendWithoutReply({NotificationAck, 0, 0, 0, 0, 0, 0});
    return true;
}

void Program::SetSplashLabel(const QString &text)
{
    splash.Label1->setText(text);
    ShowSplashLabel();
}

void Program::ShowSplashLabel()
{
    // Painted at once, before the first wait of the search or the dump.
    splash.Label1->show();
    splash.Label1->repaint();
}

void Program::SetEditorVisible(bool visible)
{
    if (mainWindow.EditorWindow)
        mainWindow.EditorWindow->setVisible(visible);
}

void Program::SetMainCaption(const QString &text)
{
    mainWindow.setWindowTitle(text);
}

void Program::RestoreMainPointer()
{
    mainWindow.unsetCursor();
}

} // namespace ksr
