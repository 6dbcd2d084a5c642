#pragma once
// The running program: its state, the link, the windows and the operations,
// wired together, with start-up, the close request and the timer. The seams
// (serial port, clock, dialogs, program end) come from outside: the real ones
// from main(), test doubles from the tests.

#include "editor/AutoSettingsEditing.h"
#include "editor/EditorCommands.h"
#include "editor/EditorView.h"
#include "editor/FeedbackSearch.h"
#include "editor/FrmEq.h"
#include "editor/HeldControls.h"
#include "editor/NotchRowEditing.h"
#include "graph/ResponseGraph.h"
#include "link/SerialLink.h"
#include "operations/ChannelOperations.h"
#include "operations/EditHistory.h"
#include "operations/Notifications.h"
#include "operations/ParameterEditing.h"
#include "operations/ParameterSending.h"
#include "operations/PresetModel.h"
#include "core/PortConfig.h"
#include "core/State.h"
#include "operations/DumpDisplay.h"
#include "operations/DevicePresets.h"
#include "operations/PresetFiles.h"
#include "operations/PresetMemory.h"
#include "operations/RingOutJournal.h"
#include "operations/DeviceLibrary.h"
#include "presets/LibraryCommands.h"
#include "shell/DeviceRecovery.h"
#include "shell/EditShortcuts.h"
#include "shell/FrmSplash.h"
#include "shell/MainCommands.h"
#include "shell/MdiFrmMain.h"
#include "shell/StageLook.h"
#include "shell/StageRemote.h"
#include "shell/StageView.h"
#include "shell/ViewSettings.h"
#include "shell/WaitFilter.h"
#include "journal/FrmJournal.h"

#include <QSize>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace ksr {

class FrmStageRemote;

inline constexpr int SplashMilliseconds = 2000;
inline constexpr int CompareMilliseconds = 3000;
// While a search runs a report is taken in as soon as its bytes arrive; this
// poll only catches one that arrived during an exchange.
inline constexpr int NotificationPollMilliseconds = 250;

class Program final : public DumpDisplay {
public:
    // The look saved in the INI file at `settingsPath` (the user's settings
    // when empty) is applied before any window shows.
    Program(SerialPort &port, Clock &clock, UserDialogs &dialogs, ProgramEnd &end, const QString &settingsPath = {});
    ~Program() override;

    // Start-up probes port `number` only, instead of the saved port and the
    // search; `save` keeps init.cfg's record of it as a found port would.
    void ProbeOnlyPort(int number, bool save);
    // The device paths port numbers stand for, for the status bar.
    void SetPortPaths(std::function<QString(int)> pathFor) { portPathFor_ = std::move(pathFor); }
    // The splash window's load: display check, start folder, the 2 s timer.
    void SplashForm_Load();
    // The splash timer: shows the main window, whose load runs start-up.
    void SplashTimer1_Timer();
    // Start-up: tables, init.cfg, the device search or demo mode, the dump.
    void MDIForm_Load();
    // The main window's close request; true when the program ends.
    bool MDIForm_QueryUnload();
    void Timer3_Timer();
    // While a search runs: takes in one report of the device and acknowledges it.
    void PollNotifications();

    // DumpDisplay
    void SetSplashLabel(const QString &text) override;
    void SetEditorVisible(bool visible) override;
    void SetMainCaption(const QString &text) override;
    void RestoreMainPointer() override;

    // The parts that windows, tests and the benchmark drive from outside.
    AppState &State() { return state_; }
    const AppState &State() const { return state_; }
    // The model of both channels, which every view observes.
    PresetModel &Model() { return model_; }
    const PresetValues &Values() const { return model_.Values(); }
    // A user's change of one parameter, as the editor makes it.
    ParameterEditing &Editing() { return editing_; }
    SerialLink &Link() { return link_; }
    ResponseGraph &Graph() { return graph_; }
    FrmSplash &Splash() { return splash_; }
    MdiFrmMain &MainWindow() { return mainWindow_; }
    FrmEq &Editor() { return editor_; }

    // The device operations the windows and menus start.
    PresetMemory &Memory() { return presets_; }
    DevicePresets &Presets() { return devicePresets_; }
    PresetFiles &Files() { return presetFiles_; }
    // Backing up and restoring the device from the main window.
    LibraryCommands &Library() { return libraryCommands_; }
    // Undo, redo and compare of the user's edits.
    EditHistory &History() { return history_; }
    // The record of the reports taken in during searches, and its window
    // (none until first opened).
    RingOutJournal &Journal() { return journal_; }
    FrmJournal *JournalWindow() { return journalWindow_; }
    void ShowJournalWindow();
    // How the journal window opens a folder; the desktop's by default.
    void SetUrlOpener(std::function<bool(const QUrl &)> open) { openUrl_ = std::move(open); }
    // Takes `image` as a whole, as a loaded file, and sends all of it.
    void ApplyPresetImage(const PresetImageArray &image);

    // The View menu: the editor's zoom, fit to the window, the dark look.
    StageView &View() { return *stageView_; }
    // The dark look of every window, the program's own colours and the
    // curves, or the light one (the default); the choice is saved at once
    // and taken up by the next start.
    void SetDarkLook(bool dark);
    bool DarkLook() const { return darkLook_; }

    // The stage remote and its window (none until first opened). Turned on
    // at start when the saved settings say so.
    StageRemote &Remote() { return *stageRemote_; }
    FrmStageRemote *RemoteWindow() { return remoteWindow_; }
    void ShowRemoteWindow();
    // At the end of start-up the remote listens on `address` and `port`
    // instead of what the settings say, for this run; `started` is told
    // once it listens.
    void SetRemoteAtStart(const QHostAddress &address, quint16 port, std::function<void()> started);

    // The take-in of the device's reports.
    ReportTakeIn &Reports() { return reports_; }
    // Offline after the device was lost, and finding it again.
    DeviceRecovery &Recovery() { return *recovery_; }

    // The timer that polls for reports while a search runs.
    QTimer &ReportPoll() { return notificationPoll_; }

private:
    QString ConfigPath() const;
    void ShowSplashLabel();
    // Probes the saved port, searches the others, asks about demo mode.
    // False when the user declined demo mode and the program is ending.
    bool FindDeviceOrDemo();
    // init.cfg keeps the port the device was found on, unless the command
    // line named the device.
    void SavePortConfig();
    // The start-up dump. A device lost during it leaves the choice of demo
    // mode or an offline window that looks for it again.
    void DumpAtStart();
    void CompleteStartup();
    // The port as the status bar names it: its path, or "port N".
    QString PortName() const;
    // Turns the stage remote on as asked at start, or as the settings say.
    void StartRemote();
    // Shows the port in use, or demo mode, in the main window's status bar.
    void ShowPortStatus();
    // Gives every window the colours of the look, without saving the choice.
    void ApplyLook(bool dark);

    AppState state_;
    PresetModel model_;
    SerialLink link_;
    ResponseGraph graph_;
    FrmSplash splash_;
    MdiFrmMain mainWindow_;
    FrmEq &editor_;
    EditorView editorView_;
    ParameterSender sender_;
    ParameterEditing editing_;
    EditHistory history_;
    RingOutJournal journal_;
    ReportTakeIn reports_;
    NotchRowEditing rowEditing_;
    ChannelOperations channels_;
    AutoSettingsEditing autoEditing_;
    EditorCommands editorCommands_;
    FeedbackSearch search_;
    PresetMemory presets_;
    DevicePresets devicePresets_;
    PresetFiles presetFiles_;
    MainCommands mainCommands_;
    DeviceLibrary library_;
    LibraryCommands libraryCommands_;
    HeldControls heldControls_;
    FrmJournal *journalWindow_ = nullptr; // owned by the main window
    FrmStageRemote *remoteWindow_ = nullptr; // owned by the main window
    StageView *stageView_ = nullptr;       // owned by the main window
    std::function<bool(const QUrl &)> openUrl_;
    QTimer notificationPoll_;
    WaitFilter waitFilter_;
    std::function<QString(int)> portPathFor_;
    int onlyPort_ = 0; // 0: the saved port, then the search
    bool saveOnlyPort_ = true;
    ViewSettings viewSettings_;
    std::unique_ptr<StageRemote> stageRemote_;
    std::unique_ptr<DeviceRecovery> recovery_;
    bool usesConfig_ = true;
    PortConfigRecord config_;
    std::optional<std::pair<QHostAddress, quint16>> remoteAtStart_;
    std::function<void()> remoteStarted_;
    bool darkLook_ = false;
    SerialPort &port_;
    UserDialogs &dialogs_;
    ProgramEnd &end_;
};

// Whether a screen of `pixels` is too small in both directions.
bool DisplayTooSmall(QSize pixels);

} // namespace ksr
