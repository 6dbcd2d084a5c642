#include "shell/DeviceRecovery.h"

#include "editor/FrmEq.h"
#include "operations/ApplyPresetImage.h"
#include "operations/DeviceReturn.h"
#include "operations/DeviceSearch.h"
#include "shell/MdiFrmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QMdiSubWindow>
#include <QToolButton>

namespace ksr {

namespace {

const QString OfflineCaption = QStringLiteral("KSR-704 - OFFLINE - Remote Control Software");
const QString OfflineEditorNote = QStringLiteral(" - offline: changes are kept, nothing is sent");

} // namespace

DeviceRecovery::DeviceRecovery(Parts parts) : p_(std::move(parts))
{
    // Timers of the main window: while the device is busy they wait, as the
    // window's others do.
    for (QTimer *timer : {&offline_, &retry_, &probePoll_})
        timer->setParent(&p_.window);
    offline_.setSingleShot(true);
    QObject::connect(&offline_, &QTimer::timeout, &p_.window, [this] { GoOffline(); });
    QObject::connect(&retry_, &QTimer::timeout, &p_.window, [this] { TryAgain(); });
    QObject::connect(&probePoll_, &QTimer::timeout, &p_.window, [this] { CheckProbe(); });
    QObject::connect(p_.window.LookElsewhereButton, &QToolButton::clicked, &p_.window,
                     [this] { LookOnOtherPorts(); });
}

void DeviceRecovery::DeviceLost()
{
    if (!started_)
        return;
    lostPort_ = p_.link.PortNumber();
    if (!shownOffline_)
        lostAt_ = QDateTime::currentDateTime();
    // The operation that lost it is still on its way out.
    offline_.start(0);
}

void DeviceRecovery::GoOffline()
{
    if (!Offline() || shownOffline_)
        return;
    shownOffline_ = true;
    // What the device's search does now is unknown: the boxes are cleared,
    // which sends nothing while it is lost.
    for (QCheckBox *box : p_.editor.Check1) {
        if (box->isChecked())
            box->setChecked(false);
    }
    const QString port = p_.portName();
    lostText_ = QStringLiteral("Device lost on %1 at %2; looking for it again")
                    .arg(port, lostAt_.toString(QStringLiteral("HH:mm:ss")));
    p_.window.SetDeviceLost(lostText_);
    captionBefore_ = p_.window.windowTitle();
    p_.window.setWindowTitle(OfflineCaption);
    if (QMdiSubWindow *editor = p_.window.EditorWindow) {
        editorTitleBefore_ = editor->windowTitle();
        editor->setWindowTitle(editorTitleBefore_ + OfflineEditorNote);
    }
    EnableDeviceCommands(false);
    p_.journal.AddNote(QStringLiteral("device lost on %1").arg(port));
    p_.changed();
    retry_.start(RetryMilliseconds);
}

bool DeviceRecovery::CanActNow() const
{
    return !p_.link.Waiting() && QApplication::activeModalWidget() == nullptr;
}

void DeviceRecovery::TryAgain()
{
    if (!Offline() || probing_ || found_ || !CanActNow())
        return;
    p_.link.SetPortNumber(lostPort_);
    if (!p_.link.SendProbe())
        return;
    probing_ = true;
    probePoll_.start(ProbePollMilliseconds);
}

void DeviceRecovery::CheckProbe()
{
    if (probing_) {
        switch (p_.link.CheckProbe()) {
        case SerialLink::ProbeAnswer::Pending:
            return;
        case SerialLink::ProbeAnswer::None:
            probing_ = false;
            probePoll_.stop();
            return;
        case SerialLink::ProbeAnswer::Device:
            probing_ = false;
            found_ = true;
            break;
        }
    }
    // A question open in the window is answered first.
    if (!found_ || !CanActNow())
        return;
    probePoll_.stop();
    Returned();
}

void DeviceRecovery::LookOnOtherPorts()
{
    if (!Offline() || !CanActNow())
        return;
    probing_ = false;
    found_ = false;
    probePoll_.stop();
    p_.window.SetDeviceLost(QStringLiteral("Looking for the device on ports 1 to %1...").arg(HighestPortNumber));
    p_.link.SetPortNumber(lostPort_);
    if (!ProbeSavedPort(p_.link) && !PortSearch(p_.link)) {
        p_.link.SetPortNumber(lostPort_);
        p_.window.SetDeviceLost(lostText_);
        p_.window.ShowNotice(QStringLiteral("No device answered on ports 1 to %1; still looking on %2")
                                 .arg(HighestPortNumber)
                                 .arg(p_.portName()));
        return;
    }
    if (p_.link.PortNumber() != lostPort_ && p_.movedPort)
        p_.movedPort();
    Returned();
}

void DeviceRecovery::Returned()
{
    found_ = false;
    p_.link.DeviceFound();
    const QString port = p_.portName();
    const std::optional<PresetImageArray> device = p_.memory.DumpOnReturn();
    if (!device) {
        // Lost again on the way, or its settings could not be read: still
        // offline, and the tries go on.
        p_.link.LoseDevice(QStringLiteral("the current settings could not be read"));
        return;
    }
    const int differing = DifferingSettings(*device, p_.model.Image());
    QString how = QStringLiteral("device back on %1").arg(port);
    if (differing > 0) {
        const bool keep = p_.dialogs.ShowMessage(DeviceReturnQuestion(differing)) == MessageAnswer::Yes;
        // Lost again while the question was open: nothing to settle now.
        if (Offline())
            return;
        if (keep)
            KeepDeviceSettings(p_.model, *device);
        else
            SendDifferences(p_.model, p_.sender, *device);
        if (Offline())
            return;
        how += keep ? QStringLiteral(": %1 differing settings taken from the device").arg(differing)
                    : QStringLiteral(": %1 differing settings sent from the window").arg(differing);
    }
    Online(how);
}

void DeviceRecovery::Online(const QString &how)
{
    retry_.stop();
    probePoll_.stop();
    offline_.stop();
    probing_ = false;
    found_ = false;
    if (shownOffline_) {
        p_.window.setWindowTitle(captionBefore_);
        if (QMdiSubWindow *editor = p_.window.EditorWindow)
            editor->setWindowTitle(editorTitleBefore_);
    }
    shownOffline_ = false;
    lostText_.clear();
    p_.window.SetDeviceLost({});
    EnableDeviceCommands(true);
    p_.journal.AddNote(how);
    p_.window.ShowNotice(how.at(0).toUpper() + how.mid(1));
    p_.changed();
}

void DeviceRecovery::EnableDeviceCommands(bool enabled)
{
    // Store and Read, the backup and the restore, the searches.
    for (const std::size_t i : {std::size_t{2}, std::size_t{3}}) {
        if (QToolButton *button = p_.window.Command1[i])
            button->setEnabled(enabled);
    }
    p_.window.BackupButton->setEnabled(enabled && !p_.state.DemoMode);
    p_.window.RestoreButton->setEnabled(enabled && !p_.state.DemoMode);
    for (QCheckBox *box : p_.editor.Check1)
        box->setEnabled(enabled);
}

} // namespace ksr
