#pragma once
// The stage remote in the program: its server, told what the window knows
// (the search, the history, the curves, the journal), and its clients'
// commands carried out as the same actions in the window: the same frames,
// the same locks, the same undo steps and journal rows. A command that
// arrives while the program works with the device, or while the window asks
// a question, waits until that is over.

#include "core/State.h"
#include "graph/ResponseGraph.h"
#include "link/SerialLink.h"
#include "operations/ChannelOperations.h"
#include "operations/EditHistory.h"
#include "operations/ParameterEditing.h"
#include "operations/RingOutJournal.h"
#include "remote/StageServer.h"

#include <QTimer>

#include <deque>
#include <functional>

namespace ksr {

class FrmEq;
class WaitFilter;

class StageRemote {
public:
    // Commands waiting for the device at most; more are refused.
    static constexpr std::size_t MaxQueued = 256;

    struct Parts {
        AppState &state;
        PresetModel &model;
        ParameterEditing &editing;
        ChannelOperations &channels;
        EditHistory &history;
        RingOutJournal &journal;
        const ResponseGraph &graph;
        FrmEq &editor;
        const SerialLink &link;
        const WaitFilter &wait;
        // Tells the window's status bar that a client acted.
        std::function<void(const QString &)> notice;
    };
    explicit StageRemote(Parts parts);

    StageServer &Server() { return server_; }
    // Listens on `address` (every address of the machine when null) and
    // `port`; false with the reason when it cannot.
    bool TurnOn(const QHostAddress &address, quint16 port, QString *error);
    void TurnOff();

    // The addresses a phone can reach the remote at, and a pairing link.
    QStringList Hosts() const;
    QString Link(const QString &host, RemoteRights rights) const;

    // The search, the history or the device may have changed.
    void StatusChanged();
    // The device's operation has ended: waiting commands may act.
    void DeviceIdle();
    void JournalLineAdded(const QString &path, const QByteArray &line);

    // The program's state as the clients see it: the device's connection,
    // the search, undo and redo.
    RemoteStatus Status() const;

private:
    struct Queued {
        RemoteCommand command;
        RemoteClientInfo client;
        StageServer::Answer answer;
    };
    std::vector<double> Curve(int c) const;
    // Whether a command must wait: the device is awaited or a window asks.
    bool MustWait() const;
    void Arrived(const RemoteCommand &command, const RemoteClientInfo &client, StageServer::Answer answer);
    void RunQueued();
    // Carries out one command; the answer's reply or error.
    QJsonObject Run(const RemoteCommand &command, const RemoteClientInfo &client);
    QJsonObject RunSearch(const RemoteCommand &command, QString &done);
    QJsonObject RunSetNotch(const RemoteCommand &command, QString &done);
    // The box of the search that runs, or -1.
    int RunningBox() const;

    Parts p_;
    StageServer server_;
    std::deque<Queued> queue_;
    QTimer drain_;
    bool running_ = false;
};

} // namespace ksr
