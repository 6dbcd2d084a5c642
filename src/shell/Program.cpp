#include "shell/Program.h"

#include "shell/FrmStageRemote.h"

#include "core/PortConfig.h"
#include "core/Protocol.h"
#include "journal/JournalPlot.h"
#include "operations/ApplyPresetImage.h"
#include "operations/DeviceSearch.h"
#include "shell/JournalPlacement.h"

#include <QAction>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QToolButton>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTimer>

namespace ksr {

bool DisplayTooSmall(QSize pixels)
{
    return pixels.width() < 800 && pixels.height() < 600;
}

Program::Program(SerialPort &port, Clock &clock, UserDialogs &dialogs, ProgramEnd &end, const QString &settingsPath)
    : link_(state_, port, clock, dialogs, end), graph_(model_.Values()),
      editor_(*mainWindow_.AddEditor(new FrmEq(graph_))), editorView_(state_, model_, editor_, graph_),
      sender_(link_, model_), editing_(model_, sender_), history_(model_, sender_), journal_(state_, model_),
      reports_(state_, link_, model_), rowEditing_(state_, editor_, editing_, editorView_, dialogs),
      channels_(state_, model_, sender_, dialogs),
      autoEditing_(state_, editor_, editing_, editorView_, dialogs),
      editorCommands_(model_, editor_, channels_, history_, dialogs),
      search_(state_, model_, editor_, link_, editorCommands_, journal_,
             [this](bool on) {
                 // Notches the device places go into the settings that are live.
                 if (on)
                     history_.EndComparison();
                 mainCommands_.UpdateCommandButtons(on);
                 mainWindow_.SetSearchRunning(on);
                 stageRemote_->StatusChanged();
                 if (on)
                     notificationPoll_.start(NotificationPollMilliseconds);
                 else
                     notificationPoll_.stop();
             }),
      presets_(state_, link_, model_, *this, dialogs), devicePresets_(state_, link_, model_, dialogs),
      presetFiles_(state_, model_, sender_, dialogs),
      mainCommands_(state_, mainWindow_, channels_, devicePresets_, presetFiles_, history_, dialogs),
      library_(state_, link_, devicePresets_), libraryCommands_(state_, library_, dialogs, &mainWindow_),
      heldControls_(editor_, history_), viewSettings_(settingsPath), port_(port),
      dialogs_(dialogs), end_(end)
{
    // A click on the link box links or unlinks; the box then shows the
    // link as it stands, cleared again when the user declined the copy.
    QObject::connect(editor_.Check2, &QCheckBox::toggled, &editor_, [this](bool ticked) {
        if (state_.UpdatingControls)
            return;
        {
            const EditStepScope step(history_);
            channels_.LinkChannels(ticked);
        }
        editorView_.ShowLink();
    });
    const auto editorBusy = [this](bool on) { editor_.SetEditorBusy(on); };
    channels_.SetBusy(editorBusy);
    presetFiles_.SetBusy(editorBusy);
    stageRemote_ = std::make_unique<StageRemote>(StageRemote::Parts{
        state_, model_, editing_, channels_, history_, journal_, graph_, editor_, link_, waitFilter_,
        [this](const QString &text) { mainWindow_.ShowNotice(text); }});
    recovery_ = std::make_unique<DeviceRecovery>(DeviceRecovery::Parts{
        state_, link_, model_, sender_, presets_, journal_, dialogs_, mainWindow_, editor_,
        [this] { return PortName(); },
        [this] {
            mainCommands_.UpdateCommandButtons(state_.SearchActive);
            stageRemote_->StatusChanged();
            if (!state_.DeviceLost)
                ShowPortStatus();
        },
        [this] { SavePortConfig(); }});
    link_.SetDeviceLost([this] { recovery_->DeviceLost(); });
    // A line that fails while nothing uses it (a dropped connection, a
    // pulled adapter) loses the device at once; during an operation the
    // link finds out itself.
    port_.SetFailureHandler([this] {
        if (!link_.Busy())
            link_.LoseDevice(QStringLiteral("the port failed while idle"));
    });
    history_.SetChanged([this] {
        mainCommands_.UpdateCommandButtons(state_.SearchActive);
        stageRemote_->StatusChanged();
    });
    // Each report's row goes to the journal before the report is acknowledged.
    reports_.SetReportTaken([this](const DeviceReport &report) { journal_.AddReport(report); });
    channels_.SetNotchKept([this](int f) { journal_.AddKept(f); });
    journal_.SetWriteFailed([this](const QString &message) { mainWindow_.ShowNotice(message); });
    journal_.SetLineAdded([this](const QString &path, const QByteArray &line) {
        if (journalWindow_)
            journalWindow_->LineAdded(path, line);
        stageRemote_->JournalLineAdded(path, line);
    });
    openUrl_ = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
    QObject::connect(mainWindow_.JournalButton, &QToolButton::clicked, &mainWindow_, [this] { ShowJournalWindow(); });
    QObject::connect(mainWindow_.RemoteButton, &QToolButton::clicked, &mainWindow_, [this] { ShowRemoteWindow(); });
    QObject::connect(mainWindow_.BackupButton, &QToolButton::clicked, &mainWindow_,
                     [this] { libraryCommands_.BackupDevice(); });
    QObject::connect(mainWindow_.RestoreButton, &QToolButton::clicked, &mainWindow_,
                     [this] { libraryCommands_.RestoreDevice(); });
    libraryCommands_.SetInputDuringWaits([this](QWidget *window) { waitFilter_.SetOpenWindow(window); });
    new EditShortcuts(mainWindow_); // owned by the main window
    stageView_ = new StageView(mainWindow_, editor_, viewSettings_);
    QObject::connect(stageView_->DarkAction, &QAction::toggled, &mainWindow_, [this](bool dark) { SetDarkLook(dark); });
    QObject::connect(stageView_->SaveTraceAction, &QAction::triggered, &mainWindow_,
                     [this] { mainCommands_.SaveLineTrace(link_.Trace()); });
    for (int index : {0, 1, 2, 3, 7, 8})
        editorCommands_.outside << mainWindow_.Command1[static_cast<std::size_t>(index)];
    link_.SetBusyChanged([this](bool busy) {
        waitFilter_.SetBusy(busy);
        if (!busy)
            stageRemote_->DeviceIdle();
    });
    // A timer of the main window: it waits, as the window's others do, while
    // the device is busy.
    notificationPoll_.setParent(&mainWindow_);
    link_.SetReportHandler([this] { reports_.TakeInAllReports(); });
    QObject::connect(&notificationPoll_, &QTimer::timeout, &mainWindow_, [this] { PollNotifications(); });
    port_.SetArrivalHandler([this] { PollNotifications(); });

    splash_.Timer1->setSingleShot(true);
    QObject::connect(splash_.Timer1, &QTimer::timeout, &splash_, [this] { SplashTimer1_Timer(); });
    QObject::connect(mainWindow_.Timer3, &QTimer::timeout, &mainWindow_, [this] { Timer3_Timer(); });
    mainWindow_.closeRequested = [this] { return MDIForm_QueryUnload(); };
    // The light look is the platform's as it stands: only the dark one is applied.
    if (viewSettings_.DarkLook())
        ApplyLook(true);
}

Program::~Program()
{
    port_.SetArrivalHandler({});
    port_.SetFailureHandler({});
    // The application outlives the program (in tests, for the next one).
    if (darkLook_)
        ApplyApplicationLook(false);
}

void Program::SetDarkLook(bool dark)
{
    ApplyLook(dark);
    viewSettings_.SaveDarkLook(dark);
}

void Program::ApplyLook(bool dark)
{
    darkLook_ = dark;
    {
        const QSignalBlocker quiet(stageView_->DarkAction);
        stageView_->DarkAction->setChecked(dark);
    }
    const LookColours &colours = ColoursOf(dark);
    ApplyApplicationLook(dark);
    mainWindow_.MdiArea->setBackground(QColor(QRgb(colours.workspace)));
    editor_.SetColours(colours);
    graph_.SetColours(colours);
    if (journalWindow_)
        journalWindow_->Plot->SetColours(colours);
}

void Program::ShowRemoteWindow()
{
    if (!remoteWindow_)
        remoteWindow_ = new FrmStageRemote(*stageRemote_, viewSettings_, &mainWindow_);
    remoteWindow_->Refresh();
    remoteWindow_->show();
    remoteWindow_->raise();
    remoteWindow_->activateWindow();
}

void Program::ShowJournalWindow()
{
    if (!journalWindow_) {
        journalWindow_ = new FrmJournal(state_, journal_, dialogs_, [this](const QUrl &url) { return openUrl_(url); },
                                        &mainWindow_);
        journalWindow_->Plot->SetColours(ColoursOf(darkLook_));
        // Where it was moved it stays, when shown again.
        PlaceJournalWindow(*journalWindow_, mainWindow_, editor_);
    } else
        journalWindow_->ListDays();
    journalWindow_->show();
    journalWindow_->raise();
    journalWindow_->activateWindow();
}

void Program::ProbeOnlyPort(int number, bool save)
{
    onlyPort_ = number;
    saveOnlyPort_ = save;
}

void Program::SplashForm_Load()
{
    splash_.Label1->hide();
    splash_.show();
    if (const QScreen *screen = QGuiApplication::primaryScreen(); screen && DisplayTooSmall(screen->size()))
        dialogs_.ShowMessage({QStringLiteral("Minimum display resolution is 800x600"), QStringLiteral("Warning")});
    state_.StartDirectory = QDir::currentPath();
    QDir::setCurrent(state_.StartDirectory);
    splash_.Timer1->start(SplashMilliseconds);
}

void Program::SplashTimer1_Timer()
{
    splash_.Timer1->stop();
    splash_.setCursor(Qt::BusyCursor);
    // The main window is built but stays hidden while start-up searches and
    // reads the device; it appears, maximized, when start-up is complete.
    MDIForm_Load();
}

QString Program::ConfigPath() const
{
    return QDir(state_.StartDirectory).filePath(QStringLiteral("init.cfg"));
}

void Program::MDIForm_Load()
{
    state_.DemoMode = false;
    state_.ExitWithoutConfirm = false;
    ShowSplashLabel();

    // A device named on the command line by its path leaves init.cfg alone.
    usesConfig_ = onlyPort_ == 0 || saveOnlyPort_;
    config_ = usesConfig_ ? ReadPortConfig(ConfigPath()) : PortConfigRecord{};
    link_.SetPortNumber(onlyPort_ > 0 ? static_cast<std::int16_t>(onlyPort_) : config_.PortNumber());
    if (!FindDeviceOrDemo())
        return;
    SavePortConfig();
    DumpAtStart();
    CompleteStartup();
}

void Program::SavePortConfig()
{
    if (!usesConfig_)
        return;
    // The reserved bytes are written back as they were read.
    config_.SetPortNumber(link_.PortNumber());
    WritePortConfig(ConfigPath(), config_);
}

void Program::DumpAtStart()
{
    ShowPortStatus();
    presets_.DumpDeviceMemory();
    if (!state_.DeviceLost)
        return;
    MessageRequest question{QStringLiteral("The device stopped answering while its settings were read."),
                            QStringLiteral("Warning"), MessageIcon::Exclamation, MessageButtons::YesNo,
                            MessageAnswer::No};
    question.details = QStringLiteral("Look again: the window opens offline and takes the device up as soon as it "
                                      "answers again. Demo mode: the program goes on without it.");
    question.yesText = QStringLiteral("Demo mode");
    question.noText = QStringLiteral("Look again");
    if (dialogs_.ShowMessage(question) == MessageAnswer::Yes) {
        state_.DeviceLost = false;
        state_.DemoMode = true;
        presets_.FillDemoPresets();
        ShowPortStatus();
        return;
    }
    // Offline from the start: the editor shows the flat preset until the
    // device's own settings can be read.
    presets_.FillFlatPreset();
    SetMainCaption(QStringLiteral("KSR-704 - Remote Control Software"));
    RestoreMainPointer();
}

bool Program::FindDeviceOrDemo()
{
    PortsInUse inUse;
    if (ProbeSavedPort(link_, &inUse))
        return true;
    ShowSplashLabel();
    if (onlyPort_ == 0 && PortSearch(link_, &inUse))
        return true;

    // The question stays as it always was; the ports other programs hold are
    // told under it.
    QStringList held;
    for (const auto &[n, note] : inUse) {
        const QString path = portPathFor_ ? portPathFor_(n) : QString();
        held << (path.isEmpty() ? QStringLiteral("Port %1 is %2.").arg(n).arg(note)
                                : QStringLiteral("Port %1 (%2) is %3.").arg(n).arg(path, note));
    }
    MessageRequest question{QStringLiteral("COM not found, do you want continue in demo mode?"),
                            QStringLiteral("Warning"), MessageIcon::None, MessageButtons::YesNo, MessageAnswer::Yes};
    question.details = held.join(QLatin1Char('\n'));
    const MessageAnswer answer = dialogs_.ShowMessage(question);
    if (answer != MessageAnswer::Yes) {
        state_.ExitWithoutConfirm = true;
        mainWindow_.close();
        return false;
    }
    state_.DemoMode = true;
    presets_.FillDemoPresets();
    return true;
}

void Program::ShowPortStatus()
{
    if (state_.DemoMode) {
        mainWindow_.PortStatus->setText(QStringLiteral("Demo mode"));
        return;
    }
    const QString path = portPathFor_ ? portPathFor_(link_.PortNumber()) : QString();
    mainWindow_.PortStatus->setText(path.isEmpty() ? QStringLiteral("Port %1").arg(link_.PortNumber())
                                                   : QStringLiteral("Port %1: %2").arg(link_.PortNumber()).arg(path));
}

QString Program::PortName() const
{
    const QString path = portPathFor_ ? portPathFor_(link_.PortNumber()) : QString();
    return path.isEmpty() ? QStringLiteral("port %1").arg(link_.PortNumber()) : path;
}

void Program::CompleteStartup()
{
    mainWindow_.Timer3->start(CompareMilliseconds);
    state_.CurrentPresetName.clear();
    state_.PresetTitle = state_.CurrentPresetName;
    model_.SetCaptions(QStringLiteral("Preset loaded from Device"), state_.CurrentPresetName,
                       ChangeOrigin::DeviceDump);
    // The history starts here, with what was read from the device.
    mainCommands_.UpdateCommandButtons(false);
    stageView_->RestoreSaved();
    // Without a window manager (a bare X server) maximizing does nothing:
    // take the screen's size as well.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        mainWindow_.setGeometry(screen->availableGeometry());
    mainWindow_.showMaximized();
    if (mainWindow_.EditorWindow)
        mainWindow_.EditorWindow->move(0, 0);
    splash_.unsetCursor();
    splash_.close();
    state_.SearchActive = false;
    state_.ExitRequested = false;
    recovery_->SetStarted();
    if (state_.DeviceLost)
        recovery_->DeviceLost();
    StartRemote();
}

void Program::SetRemoteAtStart(const QHostAddress &address, quint16 port, std::function<void()> started)
{
    remoteAtStart_ = std::pair{address, port};
    remoteStarted_ = std::move(started);
}

void Program::StartRemote()
{
    if (!remoteAtStart_ && !viewSettings_.RemoteOn())
        return;
    const QString saved = viewSettings_.RemoteAddress();
    const QHostAddress address = remoteAtStart_ ? remoteAtStart_->first : saved.isEmpty() ? QHostAddress() : QHostAddress(saved);
    const auto port = remoteAtStart_ ? remoteAtStart_->second : static_cast<quint16>(viewSettings_.RemotePort());
    QString error;
    if (!stageRemote_->TurnOn(address, port, &error)) {
        mainWindow_.ShowNotice(QStringLiteral("The stage remote could not listen on port %1: %2").arg(port).arg(error));
        return;
    }
    stageRemote_->StatusChanged();
    if (remoteStarted_)
        remoteStarted_();
}

bool Program::MDIForm_QueryUnload()
{
    if (state_.ExitWithoutConfirm) {
        state_.ProgramEnding = true;
        end_.EndProgram(0);
        return true;
    }
    if (state_.SearchActive) {
        mainWindow_.ShowNotice(QStringLiteral("The program cannot close while the feedback search runs: clear "
                                              "the Search Feedback box first."));
        return false;
    }
    const MessageAnswer answer = dialogs_.ShowMessage({QStringLiteral("               Are you sure ? "),
                                                       QStringLiteral("Exit"), MessageIcon::None,
                                                       MessageButtons::YesNo, MessageAnswer::No});
    if (answer != MessageAnswer::Yes)
        return false;
    // Offline, nothing is sent: the program just ends.
    const bool wasLost = state_.DeviceLost;
    link_.ExchangeCommand(ExitFrame());
    state_.ExitRequested = true;
    if (!state_.ProgramEnding) {
        state_.ProgramEnding = true;
        // A device that did not answer the exit command: "Time out" was
        // shown, and the program ends as it always has then.
        end_.EndProgram(state_.DeviceLost && !wasLost ? TimeOutExitCode : 0);
    }
    return true;
}

void Program::Timer3_Timer()
{
    CompareChannels(state_, model_);
    mainWindow_.Timer3->setInterval(CompareMilliseconds);
}

void Program::ApplyPresetImage(const PresetImageArray &image)
{
    ksr::ApplyPresetImage(model_, sender_, image, model_.Source(), model_.Name(), ChangeOrigin::FileLoad);
}

void Program::PollNotifications()
{
    reports_.PollNotifications();
}

void Program::SetSplashLabel(const QString &text)
{
    splash_.Label1->setText(text);
    ShowSplashLabel();
}

void Program::ShowSplashLabel()
{
    // Painted at once, before the first wait of the search or the dump.
    splash_.Label1->show();
    splash_.Label1->repaint();
}

void Program::SetEditorVisible(bool visible)
{
    if (mainWindow_.EditorWindow)
        mainWindow_.EditorWindow->setVisible(visible);
}

void Program::SetMainCaption(const QString &text)
{
    mainWindow_.setWindowTitle(text);
}

void Program::RestoreMainPointer()
{
    mainWindow_.unsetCursor();
}

} // namespace ksr
