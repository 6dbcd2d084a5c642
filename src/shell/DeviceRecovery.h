#pragma once
// The program without its device. After "Time out" or a failed port the
// window stays, offline: nothing is sent, the editor, the history, the held
// settings, the journal and the stage remote stay. The same port is tried
// every 2 s without blocking the windows, the other ports when the user
// asks; on the device's return it is read as at start-up, and a difference
// between its settings and the window's is settled with the user.

#include "core/State.h"
#include "core/UserDialogs.h"
#include "link/SerialLink.h"
#include "operations/ParameterSending.h"
#include "operations/PresetMemory.h"
#include "operations/PresetModel.h"
#include "operations/RingOutJournal.h"

#include <QDateTime>
#include <QTimer>

#include <functional>

namespace ksr {

class FrmEq;
class MdiFrmMain;

inline constexpr int RetryMilliseconds = 2000;
inline constexpr int ProbePollMilliseconds = 50;

class DeviceRecovery {
public:
    struct Parts {
        AppState &state;
        SerialLink &link;
        PresetModel &model;
        ParameterSender &sender;
        PresetMemory &memory;
        RingOutJournal &journal;
        UserDialogs &dialogs;
        MdiFrmMain &window;
        FrmEq &editor;
        // The port as the status bar names it.
        std::function<QString()> portName;
        // Told when the program goes offline or online again.
        std::function<void()> changed;
        // Told when the device was found on another port than before.
        std::function<void()> movedPort;
    };
    explicit DeviceRecovery(Parts parts);

    // The link lost the device, inside the operation that lost it: the
    // window goes offline once that operation is over.
    void DeviceLost();
    // Start-up is complete: from now on a loss leaves the window offline.
    void SetStarted() { started_ = true; }
    bool Offline() const { return p_.state.DeviceLost; }
    // The status bar's text while offline.
    const QString &LostText() const { return lostText_; }

    // One try on the same port: opens it and writes the probe (the retry
    // timer's; a test calls it directly).
    void TryAgain();
    // Looks at the probe's answer (the poll timer's, and a test's).
    void CheckProbe();
    // Ports 1 to 35, as at start; the button's.
    void LookOnOtherPorts();

private:
    // The loss shown: the search boxes cleared, the title, the status bar,
    // the device's commands off, the journal's note, the retries started.
    void GoOffline();
    // Whether the window can act now: no device operation, no question open.
    bool CanActNow() const;
    // The device answered: the dump, the comparison, the question.
    void Returned();
    // Online again, with the journal's note `how`.
    void Online(const QString &how);
    // The commands that need the device, on or off.
    void EnableDeviceCommands(bool enabled);

    Parts p_;
    bool started_ = false;
    bool shownOffline_ = false;
    bool probing_ = false;
    bool found_ = false;
    std::int16_t lostPort_ = 0;
    QDateTime lostAt_;
    QString lostText_;
    QString captionBefore_;
    QString editorTitleBefore_;
    QTimer offline_;
    QTimer retry_;
    QTimer probePoll_;
};

} // namespace ksr
