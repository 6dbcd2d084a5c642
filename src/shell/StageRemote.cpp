#include "shell/StageRemote.h"

#include "editor/FrmEq.h"
#include "core/Tables.h"
#include "operations/FoundNotches.h"
#include "shell/WaitFilter.h"

#include <QApplication>
#include <QCheckBox>
#include <QNetworkInterface>

namespace ksr {

namespace {

const std::array<const char *, 3> SearchNames = {"L&R", "L", "R"};

QJsonObject Refusal(const RemoteCommand &command, const char *code, const QString &message)
{
    return ErrorJson({QString::fromLatin1(code), message, command.id});
}

} // namespace

StageRemote::StageRemote(Parts parts) : p_(std::move(parts)), server_(p_.model)
{
    server_.SetStatus([this] { return Status(); });
    server_.SetCurve([this](int c) { return Curve(c); });
    server_.SetCommandHandler([this](const RemoteCommand &command, const RemoteClientInfo &client,
                                     StageServer::Answer answer) { Arrived(command, client, std::move(answer)); });
    drain_.setSingleShot(true);
    QObject::connect(&drain_, &QTimer::timeout, &server_, [this] { RunQueued(); });
}

bool StageRemote::TurnOn(const QHostAddress &address, quint16 port, QString *error)
{
    if (!server_.Start(address, port, error))
        return false;
    // Today's rows, for the first state of every client.
    QList<JournalRow> rows;
    QFile file(p_.journal.TodaysPath());
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (const std::optional<JournalRow> row = ParseJournalLine(line))
                rows << *row;
        }
    }
    server_.SetJournalRows(rows);
    return true;
}

void StageRemote::TurnOff()
{
    server_.Stop();
    for (Queued &waiting : queue_)
        waiting.answer(Refusal(waiting.command, "unavailable", QStringLiteral("The stage remote was turned off.")));
    queue_.clear();
}

QStringList StageRemote::Hosts() const
{
    const QHostAddress listening = server_.Address();
    if (!listening.isNull() && listening != QHostAddress(QHostAddress::Any)
        && listening != QHostAddress(QHostAddress::AnyIPv4))
        return {listening.toString()};
    QStringList hosts;
    for (const QHostAddress &address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
            hosts << address.toString();
    }
    if (hosts.isEmpty())
        hosts << QHostAddress(QHostAddress::LocalHost).toString();
    return hosts;
}

QString StageRemote::Link(const QString &host, RemoteRights rights) const
{
    const PairingTokens &tokens = server_.Tokens();
    return QStringLiteral("http://%1:%2/#t=%3")
        .arg(host)
        .arg(server_.Port())
        .arg(rights == RemoteRights::Control ? tokens.ControlToken() : tokens.WatchToken());
}

RemoteStatus StageRemote::Status() const
{
    RemoteStatus status;
    status.connection = p_.state.DemoMode     ? QStringLiteral("demo")
                        : p_.state.DeviceLost ? QStringLiteral("lost")
                                              : QStringLiteral("connected");
    const std::array<const char *, 3> names = {"both", "left", "right"};
    const int box = RunningBox();
    status.search = box < 0 ? QStringLiteral("off") : QString::fromLatin1(names[static_cast<std::size_t>(box)]);
    status.canUndo = !p_.state.SearchActive && p_.history.CanUndo();
    status.canRedo = !p_.state.SearchActive && p_.history.CanRedo();
    return status;
}

std::vector<double> StageRemote::Curve(int c) const
{
    std::vector<double> curve(FrequencyCount);
    for (int d = 0; d < FrequencyCount; ++d)
        curve[static_cast<std::size_t>(d)] = p_.graph.ChannelResponseDb(d, c);
    return curve;
}

int StageRemote::RunningBox() const
{
    for (int k = 0; k < 3; ++k) {
        if (p_.editor.Check1[static_cast<std::size_t>(k)]->isChecked())
            return k;
    }
    return -1;
}

void StageRemote::StatusChanged()
{
    server_.StatusChanged();
}

void StageRemote::JournalLineAdded(const QString &path, const QByteArray &line)
{
    if (path == p_.journal.TodaysPath())
        server_.JournalLineAdded(line);
}

bool StageRemote::MustWait() const
{
    return running_ || p_.link.Waiting() || p_.wait.Busy() || QApplication::activeModalWidget() != nullptr;
}

void StageRemote::Arrived(const RemoteCommand &command, const RemoteClientInfo &client, StageServer::Answer answer)
{
    if (queue_.size() >= MaxQueued) {
        answer(Refusal(command, "unavailable", QStringLiteral("Too many commands wait for the device.")));
        return;
    }
    queue_.push_back({command, client, std::move(answer)});
    // Never inside the wait it arrived in: from the main loop, once idle.
    drain_.start(0);
}

void StageRemote::DeviceIdle()
{
    if (!queue_.empty())
        drain_.start(0);
}

void StageRemote::RunQueued()
{
    // A question of the window holds them back; the device's next idle
    // moment brings them on otherwise.
    if (QApplication::activeModalWidget() != nullptr) {
        drain_.start(200);
        return;
    }
    if (MustWait())
        return;
    while (!queue_.empty() && !MustWait()) {
        Queued next = std::move(queue_.front());
        queue_.pop_front();
        running_ = true;
        const QJsonObject answer = Run(next.command, next.client);
        running_ = false;
        next.answer(answer);
    }
}

QJsonObject StageRemote::Run(const RemoteCommand &command, const RemoteClientInfo &client)
{
    QString done;
    QJsonObject answer;
    const bool searching = p_.state.SearchActive;
    const QString locked = QStringLiteral("A search runs: only its stop acts.");
    switch (command.kind) {
    case RemoteCommandKind::Search:
        answer = RunSearch(command, done);
        break;
    case RemoteCommandKind::KeepPlan: {
        const FoundNotchesPlan plan = PlanKeepFoundNotches(p_.model, command.channel);
        return ReplyJson(command.id, {{QStringLiteral("text"), KeepFoundNotchesText(p_.model, plan)},
                                      {QStringLiteral("keep"), static_cast<int>(plan.kept.size())},
                                      {QStringLiteral("countBefore"), plan.countBefore},
                                      {QStringLiteral("countAfter"), plan.countAfter}});
    }
    case RemoteCommandKind::Keep: {
        if (searching)
            return Refusal(command, "locked", locked);
        const FoundNotchesPlan plan = PlanKeepFoundNotches(p_.model, command.channel);
        if (plan.Empty())
            return Refusal(command, "nothing-to-keep", KeepFoundNotchesText(p_.model, plan));
        p_.channels.Keep(plan, ChangeOrigin::Remote);
        done = QStringLiteral("kept %1 found notches of %2").arg(plan.kept.size()).arg(ChannelName(command.channel));
        answer = ReplyJson(command.id);
        break;
    }
    case RemoteCommandKind::Undo:
    case RemoteCommandKind::Redo: {
        const bool undo = command.kind == RemoteCommandKind::Undo;
        if (searching)
            return Refusal(command, "locked", locked);
        if (undo ? !p_.history.CanUndo() : !p_.history.CanRedo())
            return Refusal(command, "unavailable", undo ? QStringLiteral("There is nothing to undo.")
                                                       : QStringLiteral("There is nothing to redo."));
        if (undo)
            p_.history.Undo();
        else
            p_.history.Redo();
        done = undo ? QStringLiteral("undo") : QStringLiteral("redo");
        answer = ReplyJson(command.id);
        break;
    }
    case RemoteCommandKind::SetNotch:
        if (searching)
            return Refusal(command, "locked", locked);
        answer = RunSetNotch(command, done);
        break;
    case RemoteCommandKind::SetSetting: {
        if (searching)
            return Refusal(command, "locked", locked);
        const bool count = command.setting == RemoteSetting::AutoCount;
        p_.editing.EditSetting(count ? SettingControl::HScroll1 : SettingControl::Slider1, command.channel,
                               command.value - 1, ChangeOrigin::Remote);
        done = QStringLiteral("%1 %2 %3")
                   .arg(ChannelName(command.channel), count ? QStringLiteral("automatic count") : QStringLiteral("sensitivity"))
                   .arg(command.value);
        answer = ReplyJson(command.id);
        break;
    }
    }
    if (!done.isEmpty()) {
        const QString text = QStringLiteral("remote %1: %2").arg(client.address, done);
        p_.journal.AddNote(text);
        if (p_.notice)
            p_.notice(QStringLiteral("Stage remote %1: %2").arg(client.address, done));
    }
    return answer;
}

QJsonObject StageRemote::RunSearch(const RemoteCommand &command, QString &done)
{
    const int running = RunningBox();
    const QString name = QString::fromLatin1(SearchNames[static_cast<std::size_t>(command.box)]);
    if (running >= 0 && running != command.box)
        return Refusal(command, "locked", QStringLiteral("A search runs: only its stop acts."));
    QCheckBox *box = p_.editor.Check1[static_cast<std::size_t>(command.box)];
    if (box->isChecked() == command.on)
        return ReplyJson(command.id);
    if (command.on && p_.state.DeviceLost)
        return Refusal(command, "unavailable",
                       QStringLiteral("The device is lost: no search starts until it answers again."));
    if (!box->isEnabled())
        return Refusal(command, "locked", QStringLiteral("The editor does not take this now."));
    // The window's own box: its handler starts or stops the search, with its locks.
    box->setChecked(command.on);
    done = QStringLiteral("search %1 %2").arg(name, command.on ? QStringLiteral("started") : QStringLiteral("stopped"));
    return ReplyJson(command.id);
}

QJsonObject StageRemote::RunSetNotch(const RemoteCommand &command, QString &done)
{
    const int f = FiltersPerChannel * command.channel + command.row;
    if (p_.model.IsAutomaticRow(f))
        return Refusal(command, "locked",
                       QStringLiteral("Row %1 of %2 is placed by the search: lower the automatic count to free it.")
                           .arg(command.row + 1)
                           .arg(ChannelName(command.channel)));
    {
        // Several fields at once are one step.
        const EditStepScope step(p_.history);
        if (command.gainStep)
            p_.editing.EditNotchGain(f, *command.gainStep, ChangeOrigin::Remote);
        if (command.frequencyIndex)
            p_.editing.EditNotchFrequency(f, *command.frequencyIndex, ChangeOrigin::Remote);
        if (command.widthIndex)
            p_.editing.EditNotchWidth(f, *command.widthIndex, ChangeOrigin::Remote);
    }
    done = QStringLiteral("%1 notch %2 set").arg(ChannelName(command.channel)).arg(command.row + 1);
    return ReplyJson(command.id);
}

} // namespace ksr
