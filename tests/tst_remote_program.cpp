// The stage remote as another editor of the program, over a WebSocket on
// 127.0.0.1 to the whole program on the in-process device: a client's
// command sends the window's frames under the window's locks, is a step of
// the same history and a note of the journal; what changes in the window
// reaches the client; a command that arrives during a device wait acts
// after it.

#include "support/ProgramRig.h"
#include "support/RemoteClient.h"

#include "shell/FrmStageRemote.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTcpServer>
#include <QFile>
#include <QJsonArray>
#include <QScrollBar>
#include <QToolButton>

using namespace ksr;
using namespace ksr::test;

namespace {

constexpr int ManualRow = 8;

// Left count 4, Right 6; Left's row 2 holds a notch the search placed.
sim::Preset RemotePreset()
{
    sim::Preset p = FlatPresetWithAutoCounts(4, 6);
    p[static_cast<std::size_t>(NotchOffset[1])] = 33;
    return p;
}

} // namespace

class RemoteProgramTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ProgramRig> rig_;
    Program &P() { return rig_->program; }

    std::unique_ptr<RemoteClient> Connect(RemoteRights rights = RemoteRights::Control)
    {
        StageRemote &remote = P().Remote();
        auto client = std::make_unique<RemoteClient>(QStringLiteral("http://127.0.0.1:%1").arg(remote.Server().Port()));
        if (!client->Open(remote.Server().Port()))
            return nullptr;
        const PairingTokens &tokens = remote.Server().Tokens();
        client->Hello(rights == RemoteRights::Control ? tokens.ControlToken() : tokens.WatchToken());
        return client->WaitFor(QStringLiteral("state")) ? std::move(client) : nullptr;
    }
    // Sends `command` and waits for its answer.
    std::optional<QJsonObject> Ask(RemoteClient &client, const QJsonObject &command)
    {
        const qsizetype from = client.messages.size();
        client.Send(command);
        (void)QTest::qWaitFor(
            [&] {
                for (qsizetype i = from; i < client.messages.size(); ++i) {
                    const QString type = client.messages[i].value("type").toString();
                    if (type == "reply" || type == "error")
                        return true;
                }
                return client.closed;
            },
            5000);
        for (qsizetype i = from; i < client.messages.size(); ++i) {
            const QString type = client.messages[i].value("type").toString();
            if (type == "reply" || type == "error")
                return client.messages[i];
        }
        return std::nullopt;
    }
    QString Journal() const
    {
        QFile file(rig_->program.Journal().TodaysPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private slots:
    void init()
    {
        rig_ = std::make_unique<ProgramRig>();
        rig_->device.SetCurrentSettings(RemotePreset());
        rig_->StartWithDevice();
        QString error;
        QVERIFY2(P().Remote().TurnOn(QHostAddress(QHostAddress::LocalHost), 0, &error), qPrintable(error));
    }
    void cleanup() { rig_.reset(); }

    // The search from the page sends what the window's box sends, locks
    // what the window locks, and is noted in the journal with the client.
    void searchFromTheRemoteIsTheWindowsSearch_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("which");
        QTest::newRow("L&R") << 0 << "both";
        QTest::newRow("R") << 2 << "right";
    }
    void searchFromTheRemoteIsTheWindowsSearch()
    {
        QFETCH(int, box);
        QFETCH(QString, which);
        // The window's own frames, on a second program.
        QList<QByteArray> windowFrames;
        {
            ProgramRig window;
            window.device.SetCurrentSettings(RemotePreset());
            window.StartWithDevice();
            window.program.Editor().Check1[static_cast<std::size_t>(box)]->setChecked(true);
            window.program.Editor().Check1[static_cast<std::size_t>(box)]->setChecked(false);
            windowFrames = window.Writes();
        }
        const std::unique_ptr<RemoteClient> client = Connect();
        QVERIFY(client);
        const auto reply = Ask(*client, Command("search", {{"which", which}, {"on", true}}));
        QVERIFY(reply);
        QCOMPARE(reply->value("type").toString(), QStringLiteral("reply"));
        QVERIFY(P().State().SearchActive);
        QVERIFY(P().Editor().Check1[static_cast<std::size_t>(box)]->isChecked());
        const QByteArray beforeLocked = QByteArray::number(rig_->Writes().size());

        // While it runs only its stop acts.
        for (const QJsonObject &refused :
             {Command("search", {{"which", "left"}, {"on", true}}), Command("undo"), Command("keep", {{"channel", 0}}),
              Command("setNotch", {{"channel", 0}, {"row", ManualRow + 1}, {"gainDb", -6}})}) {
            const auto answer = Ask(*client, refused);
            QVERIFY(answer);
            QCOMPARE(answer->value("code").toString(), QStringLiteral("locked"));
        }
        QCOMPARE(QByteArray::number(rig_->Writes().size()), beforeLocked);

        QVERIFY(Ask(*client, Command("search", {{"which", which}, {"on", false}})));
        QVERIFY(!P().State().SearchActive);
        QCOMPARE(rig_->Writes(), windowFrames);
        const QString name = box == 0 ? "L&R" : "R";
        QVERIFY(Journal().contains("# remote 127.0.0.1: search " + name + " started\n"));
        QVERIFY(Journal().contains("# remote 127.0.0.1: search " + name + " stopped\n"));
    }

    // An edit in the window, an undo from the page: the page sees the
    // edit, the device gets it back.
    void windowEditReachesThePageAndThePageUndoesIt()
    {
        const std::unique_ptr<RemoteClient> client = Connect();
        QVERIFY(client);
        const sim::Preset before = rig_->device.CurrentSettings();
        const qsizetype from = client->messages.size();
        P().Editor().HScroll20[ManualRow]->setValue(30);
        const auto change = client->WaitFor("change", from);
        QVERIFY(change);
        QCOMPARE(change->value("origin").toString(), QStringLiteral("edit"));
        const QJsonObject left = change->value("channels").toArray()[0].toObject();
        QCOMPARE(left.value("notches").toArray()[ManualRow].toObject().value("gainDb").toInt(), -15);
        QVERIFY(rig_->device.CurrentSettings() != before);

        const auto undone = Ask(*client, Command("undo"));
        QVERIFY(undone);
        QCOMPARE(undone->value("type").toString(), QStringLiteral("reply"));
        QCOMPARE(rig_->device.CurrentSettings(), before);
        QCOMPARE(P().Editor().HScroll20Value(ManualRow), 45);
        QVERIFY(Journal().contains("# remote 127.0.0.1: undo\n"));
    }

    // A page's edit is one step that the window's Undo takes back; a
    // watch-only page's is refused and sends nothing.
    void pageEditIsAWindowStep()
    {
        const std::unique_ptr<RemoteClient> watcher = Connect(RemoteRights::Watch);
        QVERIFY(watcher);
        const QJsonObject edit = Command("setNotch", {{"channel", 0}, {"row", ManualRow + 1}, {"gainDb", -12}, {"widthIndex", 3}});
        const auto refused = Ask(*watcher, edit);
        QVERIFY(refused);
        QCOMPARE(refused->value("code").toString(), QStringLiteral("watch-only"));
        QVERIFY(rig_->Writes().isEmpty());

        const std::unique_ptr<RemoteClient> client = Connect();
        QVERIFY(client);
        const std::size_t steps = P().History().UndoCount();
        const int width = P().Editor().HScroll30Value(ManualRow);
        QVERIFY(width != 3);
        QVERIFY(Ask(*client, edit));
        QCOMPARE(P().Editor().HScroll20Value(ManualRow), 33);
        QCOMPARE(P().Editor().HScroll30Value(ManualRow), 3);
        QCOMPARE(P().History().UndoCount(), steps + 1);
        QCOMPARE(rig_->Writes().size(), 2);
        P().MainWindow().UndoButton->click();
        QCOMPARE(P().Editor().HScroll20Value(ManualRow), 45);
        QCOMPARE(P().Editor().HScroll30Value(ManualRow), width);

        // An automatic row is the search's, as in the window.
        const auto automatic = Ask(*client, Command("setNotch", {{"channel", 0}, {"row", 2}, {"gainDb", -3}}));
        QVERIFY(automatic);
        QCOMPARE(automatic->value("code").toString(), QStringLiteral("locked"));
    }

    void keepFromThePage()
    {
        const std::unique_ptr<RemoteClient> client = Connect();
        QVERIFY(client);
        const auto plan = Ask(*client, Command("keepPlan", {{"channel", 0}}));
        QVERIFY(plan);
        QCOMPARE(plan->value("keep").toInt(), 1);
        QVERIFY(plan->value("text").toString().startsWith("Keep the notches that the search found in Channel Left"));
        QVERIFY(rig_->Writes().isEmpty());
        QVERIFY(Ask(*client, Command("keep", {{"channel", 0}})));
        QCOMPARE(P().Model().AutoCount(0), 3);
        QVERIFY(Journal().contains(",Left,4,kept,"));
        QVERIFY(Journal().contains("# remote 127.0.0.1: kept 1 found notches of Left\n"));
        const auto nothing = Ask(*client, Command("keep", {{"channel", 1}}));
        QVERIFY(nothing);
        QCOMPARE(nothing->value("code").toString(), QStringLiteral("nothing-to-keep"));
    }

    // The window turns the remote on where it is told, keeps the choice,
    // shows both links, makes new codes and says when the port is taken.
    void windowTurnsTheRemoteOnAndOff()
    {
        P().Remote().TurnOff();
        P().ShowRemoteWindow();
        FrmStageRemote &window = *P().RemoteWindow();
        QVERIFY(!window.RemoteOn->isChecked());
        const int loopback = window.Address->findData(QStringLiteral("127.0.0.1"));
        QVERIFY(loopback > 0);
        window.Address->setCurrentIndex(loopback);
        // A port another program holds: said, and the box goes back.
        QTcpServer other;
        QVERIFY(other.listen(QHostAddress::LocalHost, 0));
        window.Port->setValue(other.serverPort());
        window.RemoteOn->click();
        QVERIFY(!window.RemoteOn->isChecked());
        QVERIFY(!P().Remote().Server().Running());
        QVERIFY(window.Problem->text().contains(QString::number(other.serverPort())));
        const quint16 free = other.serverPort();
        other.close();

        window.RemoteOn->click();
        QVERIFY(P().Remote().Server().Running());
        QCOMPARE(P().Remote().Server().Port(), free);
        const QString link = window.ControlLink->text();
        QCOMPARE(link, QStringLiteral("http://127.0.0.1:%1/#t=%2").arg(free).arg(P().Remote().Server().Tokens().ControlToken()));
        QVERIFY(window.WatchLink->text().endsWith(P().Remote().Server().Tokens().WatchToken()));
        QVERIFY(!window.ControlCode->pixmap().isNull());
        QVERIFY(ViewSettings(rig_->settingsPath).RemoteOn());
        QCOMPARE(ViewSettings(rig_->settingsPath).RemotePort(), free);
        QCOMPARE(ViewSettings(rig_->settingsPath).RemoteAddress(), QStringLiteral("127.0.0.1"));

        const std::unique_ptr<RemoteClient> client = Connect();
        QVERIFY(client);
        QVERIFY(QTest::qWaitFor([&] { return window.ClientList->rowCount() == 1; }, 3000));
        window.NewCodes->click();
        QVERIFY(window.ControlLink->text() != link);
        QVERIFY(client->WaitClosed());
        window.RemoteOn->click();
        QVERIFY(!P().Remote().Server().Running());
        QVERIFY(!ViewSettings(rig_->settingsPath).RemoteOn());
    }

    // A command that arrives while the program waits for the device acts
    // once that operation is over, its frames after the operation's.
    void commandDuringADeviceWaitActsAfterIt()
    {
        const std::unique_ptr<RemoteClient> client = Connect();
        QVERIFY(client);
        rig_->port.SetLinePace(WireByteSeconds);
        bool sent = false;
        int framesAtArrival = -1;
        rig_->port.SetWaitHook([&] {
            if (sent)
                return;
            sent = true;
            client->Send(Command("setNotch", {{"channel", 1}, {"row", 12}, {"gainDb", -20}}));
            // Until the server has it: it arrives inside this wait.
            (void)QTest::qWaitFor([&] { return !P().Remote().Server().Clients().front().lastAction.isEmpty(); }, 3000);
            framesAtArrival = static_cast<int>(rig_->Writes().size());
        });
        // Copy Left to Right from the toolbar: 18 frames, each awaited.
        rig_->dialogs.answers = {MessageAnswer::Yes};
        P().MainWindow().Command1[7]->click();
        rig_->port.SetWaitHook({});
        QVERIFY(sent);
        QCOMPARE(framesAtArrival, 1);
        QCOMPARE(rig_->Writes().size(), 18);
        QVERIFY(QTest::qWaitFor([&] { return rig_->Writes().size() == 19; }, 3000));
        const QByteArray last = rig_->Writes().last();
        QCOMPARE(int(last[2]), 0x07);
        QCOMPARE(int(last[3]), 1);
        QCOMPARE(int(last[4]), 11);
        QCOMPARE(int(static_cast<std::uint8_t>(last[8])), 25);
    }
};

QTEST_MAIN(RemoteProgramTest)
#include "tst_remote_program.moc"
