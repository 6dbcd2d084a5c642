#pragma once
// The "Stage remote" window: the switch, where it listens, the two pairing
// links as QR codes and as text, "New codes", and the clients connected,
// each of which may be disconnected.

#include "remote/PairingTokens.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace ksr {

class StageRemote;
class ViewSettings;

class FrmStageRemote final : public QWidget {
public:
    FrmStageRemote(StageRemote &remote, const ViewSettings &settings, QWidget *parent);

    // Turns the remote on or off as the box asks, saving the choice.
    void SetRemoteOn(bool on);
    // Shows the links, the addresses and the clients as they stand.
    void Refresh();

    QCheckBox *RemoteOn = nullptr;
    QSpinBox *Port = nullptr;
    QComboBox *Address = nullptr;
    QLabel *Listening = nullptr;
    QLabel *Problem = nullptr;
    QComboBox *LinkHost = nullptr;
    QLabel *ControlCode = nullptr;
    QLineEdit *ControlLink = nullptr;
    QLabel *WatchCode = nullptr;
    QLineEdit *WatchLink = nullptr;
    QPushButton *NewCodes = nullptr;
    QTableWidget *ClientList = nullptr;
    QPushButton *DisconnectClient = nullptr;

private:
    void ShowLinks();
    void ShowClients();
    // The address chosen in the box: null for every address.
    QString ChosenAddress() const;

    StageRemote &remote_;
    const ViewSettings &settings_;
};

} // namespace ksr
