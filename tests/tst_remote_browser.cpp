// The stage remote's page in a real browser (Debian's chromium, headless,
// through tests/browser/puppet.mjs) against the whole program on a line to
// ksr704-sim on a pseudo-terminal: what the page shows, what its buttons
// do on the device and in the window, and who is kept out. Every server
// listens on 127.0.0.1 and the browser talks only to them.

#include "support/BrowserPuppet.h"
#include "support/LoopbackRelay.h"
#include "support/SimulatorRig.h"

#include "core/Tables.h"
#include "editor/FrmEq.h"
#include "operations/FoundNotches.h"
#include "shell/FrmStageRemote.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStatusBar>
#include <QTest>

using namespace ksr;
using namespace ksr::test;

namespace {

const QString InvalidLink =
    QStringLiteral("This link is not valid any more: scan the code in the program's Stage remote window again");

QString Quoted(const QString &text)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
}

// The page's expression for the text of `selector`.
QString TextOf(const QString &selector)
{
    return QStringLiteral("(document.querySelector(%1) || {}).textContent").arg(Quoted(selector));
}

// The page's expression: it is paired, with the whole state shown.
const QString Connected = QStringLiteral(
    "document.getElementById('status-text').textContent === 'Connected'"
    " && document.querySelectorAll('#channel-1 tbody tr').length === 12");

// The cells of row `row` (1..12) of channel c as the page shows them: "#|Hz|dB|width|kind".
QString RowExpr(int c, int row)
{
    return QStringLiteral("[...document.querySelectorAll('#channel-%1 tbody tr:nth-child(%2) td')]"
                          ".map(td => td.textContent).join('|')")
        .arg(c)
        .arg(row);
}

// Row f as the page should show it from the model.
QString RowText(const PresetModel &model, int f)
{
    const int gain = model.NotchGainStep(f) - 45;
    return QStringLiteral("%1|%2|%3|%4|%5")
        .arg(f % FiltersPerChannel + 1)
        .arg(FrequencyText(FreqTable[static_cast<std::size_t>(model.NotchFrequencyIndex(f))]))
        .arg(gain)
        .arg(TableText(WidthText, model.NotchWidth(f)))
        .arg(model.IsAutomaticRow(f) ? QStringLiteral("Auto") : QStringLiteral("Manual"));
}

// Every row of both channels as the page should show them, one a line.
QString AllRows(const PresetModel &model)
{
    QStringList rows;
    for (int f = 0; f < FilterCount; ++f)
        rows << RowText(model, f);
    return rows.join(QLatin1Char('\n'));
}
const QString AllRowsExpr = QStringLiteral(
    "[0, 1].flatMap(c => [...document.querySelectorAll('#channel-' + c + ' tbody tr')]"
    ".map(tr => [...tr.children].map(td => td.textContent).join('|'))).join('\\n')");

// A WebSocket of the test's own from inside the page (its origin, its
// stored token) that pairs, sends `command` once it has the state, and
// resolves to the code of the error it gets, or to the reply's type.
QString ForgedCommandExpr(const QString &command)
{
    return QStringLiteral(
               "new Promise(resolve => {"
               "  const ws = new WebSocket('ws://' + location.host + '/ws');"
               "  ws.onopen = () => ws.send(JSON.stringify({type: 'hello', api: 1, token: sessionStorage.getItem('ksr704.token')}));"
               "  ws.onmessage = e => {"
               "    const m = JSON.parse(e.data);"
               "    if (m.type === 'state') ws.send(JSON.stringify(%1));"
               "    if (m.type === 'error' || m.type === 'reply') { ws.close(); resolve(m.code || m.type); }"
               "  };"
               "  setTimeout(() => resolve('no answer'), 5000);"
               "})")
        .arg(command);
}

QByteArray DeviceImage(Program &program)
{
    if (!program.Link().ReadPresetBlock(CurrentSettingsSelector))
        return QByteArrayLiteral("<no answer>");
    return QByteArray(reinterpret_cast<const char *>(program.Link().RxBuffer().data()), PresetBytes);
}

QByteArray EditorImage(Program &program)
{
    return QByteArray(reinterpret_cast<const char *>(program.Values().PresetImage.data()), PresetBytes);
}

// The first manual row of channel c: its filter index.
int ManualFilter(const PresetModel &model, int c)
{
    return FiltersPerChannel * c + model.AutoCount(c);
}

} // namespace

class RemoteBrowserTest : public QObject {
    Q_OBJECT
private:
    BrowserPuppet browser_;
    std::unique_ptr<SimulatorRig> rig_;
    QStringList pages_;
    // What the browser may say of this test's page (a connection cut on purpose, a refusal asked for).
    QStringList expectedProblems_;

    Program &program() { return rig_->program; }
    QString LinkFor(RemoteRights rights) { return program().Remote().Link(QStringLiteral("127.0.0.1"), rights); }
    bool Open(const QString &page, const QString &url)
    {
        pages_ << page;
        return browser_.Open(page, url);
    }
    // The frames the simulator received since the last call, one hex line each.
    QStringList SimFrames()
    {
        QStringList frames;
        QProcess &sim = rig_->sim.Process();
        sim.waitForReadyRead(50);
        for (const QByteArray &line : sim.readAllStandardOutput().split('\n')) {
            if (!line.trimmed().isEmpty())
                frames << QString::fromLatin1(line.trimmed());
        }
        return frames;
    }

private slots:
    void initTestCase()
    {
        if (const QString missing = BrowserPuppet::Missing(); !missing.isEmpty()) {
            const QString why = QStringLiteral("the browser tests need %1 (scripts/setup installs them)").arg(missing);
            if (qEnvironmentVariableIsSet("CI"))
                QFAIL(qPrintable(why));
            QSKIP(qPrintable(why));
        }
        QString error;
        QVERIFY2(browser_.Start(error), qPrintable(error));
        rig_ = std::make_unique<SimulatorRig>();
        QVERIFY(rig_->StartSim(SimPace::Unpaced, {QStringLiteral("--log"), QStringLiteral("--report-every"), QStringLiteral("100")}));
        rig_->Start();
        QVERIFY(!program().State().DemoMode);
        QVERIFY2(program().Remote().TurnOn(QHostAddress(QHostAddress::LocalHost), 0, &error), qPrintable(error));
        QVERIFY(program().Model().AutoCount(0) >= 2 && program().Model().AutoCount(0) < FiltersPerChannel);
        SimFrames();
    }
    void cleanupTestCase()
    {
        rig_.reset();
    }
    // Every page opened in a test ran without a script error and without
    // anything its content policy refused.
    void cleanup()
    {
        QJsonArray unexpected;
        for (const QString &page : std::as_const(pages_)) {
            const QJsonValue problems = browser_.Call({{QStringLiteral("op"), QStringLiteral("problems")}, {QStringLiteral("page"), page}});
            if (browser_.Failed())
                unexpected.append(browser_.LastError());
            for (const QJsonValue &problem : problems.toArray()) {
                const bool expected = std::any_of(expectedProblems_.begin(), expectedProblems_.end(),
                                                  [&](const QString &text) { return problem.toString().contains(text); });
                if (!expected)
                    unexpected.append(QStringLiteral("%1: %2").arg(page, problem.toString()));
            }
            browser_.Simple(QStringLiteral("close"), page);
        }
        pages_.clear();
        expectedProblems_.clear();
        QVERIFY2(unexpected.isEmpty(), qPrintable(QJsonDocument(unexpected).toJson()));
    }

    void fullControlLinkShowsTheState()
    {
        const QString link = LinkFor(RemoteRights::Control);
        QVERIFY(Open(QStringLiteral("phone"), link));
        QVERIFY2(browser_.Wait(QStringLiteral("phone"), Connected).toBool(), qPrintable(browser_.LastError()));
        QCOMPARE(browser_.Eval(QStringLiteral("phone"), AllRowsExpr).toString(), AllRows(program().Model()));
        for (int c = 0; c < 2; ++c) {
            QCOMPARE(browser_.Eval(QStringLiteral("phone"), TextOf(QStringLiteral("#channel-%1 .auto-count").arg(c))).toString(),
                     QString::number(program().Model().AutoCount(c)));
            QCOMPARE(browser_.Eval(QStringLiteral("phone"), TextOf(QStringLiteral("#channel-%1 .sensitivity").arg(c))).toString(),
                     QString::number(program().Model().SettingPosition(SettingControl::Slider1, c) + 1));
        }
        // The curve is drawn: the canvas holds the curve's colour.
        const QString drawn = QStringLiteral(
            "(() => { const c = document.querySelector('#channel-0 canvas');"
            " const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data; let n = 0;"
            " for (let i = 0; i < d.length; i += 4) if (d[i + 2] > 200 && d[i + 3] > 200) ++n; return n; })()");
        QVERIFY(browser_.Eval(QStringLiteral("phone"), drawn).toInt() > 200);
        // The token left the address bar but not the tab: a reload pairs again.
        QCOMPARE(browser_.Eval(QStringLiteral("phone"), QStringLiteral("location.href")).toString(), link.section(QLatin1Char('#'), 0, 0));
        QVERIFY(browser_.Simple(QStringLiteral("reload"), QStringLiteral("phone")));
        QVERIFY2(browser_.Wait(QStringLiteral("phone"), Connected).toBool(), qPrintable(browser_.LastError()));
        QVERIFY(!browser_.Eval(QStringLiteral("phone"), QStringLiteral("location.href.includes('#')")).toBool());
        QTRY_COMPARE(program().Remote().Server().Clients().size(), 1);
        QCOMPARE(program().Remote().Server().Clients().constFirst().rights, RemoteRights::Control);
    }

    // A search started on the page runs on the device; its reports reach the
    // page and the window; while it runs only its stop acts; the page stops it.
    void searchFromThePageRunsOnTheDevice()
    {
        const QString page = QStringLiteral("phone");
        QVERIFY(Open(page, LinkFor(RemoteRights::Control)));
        QVERIFY(browser_.Wait(page, Connected).toBool());
        SimFrames();
        QVERIFY(browser_.Click(page, QStringLiteral("#search-both")));
        QTRY_VERIFY(program().Editor().Check1[0]->isChecked());
        QVERIFY(program().State().SearchActive);
        // The editor's locks: only the stop acts.
        QVERIFY2(browser_.Wait(page, QStringLiteral(
                     "document.querySelector('#search-both').classList.contains('running')"
                     " && document.querySelector('#search-left').disabled && document.querySelector('#search-right').disabled"
                     " && document.querySelector('#undo').disabled && document.querySelector('#redo').disabled"
                     " && [...document.querySelectorAll('button.keep')].every(b => b.disabled)")).toBool(),
                 qPrintable(browser_.LastError()));
        // Reports: notches placed by the device show on the page as rows of
        // the journal, newest first, and in the automatic rows.
        QVERIFY2(browser_.Wait(page, QStringLiteral("document.querySelectorAll('#journal-rows li.placed').length >= 3"
                                                   " && [0, 1].every(c => document.querySelector('#channel-' + c + ' tbody tr.auto:not(.flat)'))"),
                               20000).toBool(),
                 qPrintable(browser_.LastError()));
        QVERIFY(browser_.Click(page, QStringLiteral("#search-both")));
        QTRY_VERIFY(!program().State().SearchActive);
        QVERIFY(!program().Editor().Check1[0]->isChecked());
        QVERIFY(browser_.Wait(page, QStringLiteral("!document.querySelector('#search-both').classList.contains('running')"
                                                   " && !document.querySelector('#search-left').disabled")).toBool());
        // The device holds what the window and the page show.
        QCOMPARE(DeviceImage(program()).toHex(' '), EditorImage(program()).toHex(' '));
        QVERIFY(browser_.Wait(page, QStringLiteral("%1 === %2").arg(AllRowsExpr, Quoted(AllRows(program().Model())))).toBool());
        QVERIFY(browser_.Eval(page, QStringLiteral("document.querySelectorAll('#channel-0 tbody tr.auto:not(.flat)').length")).toInt() >= 1);
        // The search's start and stop went to the device, and its reports were acknowledged.
        const QStringList frames = SimFrames();
        QVERIFY2(frames.filter(QRegularExpression(QStringLiteral("^F0 5B 0A "))).size() >= 2, qPrintable(frames.join(QLatin1Char('\n'))));
        QVERIFY2(frames.filter(QRegularExpression(QStringLiteral("^F0 5B 30 "))).size() >= 3, qPrintable(frames.join(QLatin1Char('\n'))));
        // The window's journal file has the page's rows; the newest, on top, is the client's note.
        QTRY_COMPARE(browser_.Eval(page, TextOf(QStringLiteral("#journal-rows li"))).toString(),
                     QStringLiteral("remote 127.0.0.1: search L&R stopped"));
        QFile journal(rig_->program.Journal().TodaysPath());
        QVERIFY(journal.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = journal.readAll().trimmed().split('\n');
        const QJsonValue placed = browser_.Eval(page, QStringLiteral("document.querySelectorAll('#journal-rows li.placed').length"));
        QCOMPARE(lines.count(QByteArrayLiteral("# remote 127.0.0.1: search L&R started")), 1);
        QCOMPARE(std::count_if(lines.begin(), lines.end(), [](const QByteArray &l) { return l.contains(",placed,"); }), placed.toInt());
    }

    // Keep found notches asks the window's question in the page's own
    // dialog; Keep carries it out on the device.
    void keepFoundNotchesAsksFirst()
    {
        const QString page = QStringLiteral("phone");
        const PresetModel &model = program().Model();
        const FoundNotchesPlan plan = PlanKeepFoundNotches(model, 0);
        QVERIFY(!plan.Empty());
        QVERIFY(Open(page, LinkFor(RemoteRights::Control)));
        QVERIFY(browser_.Wait(page, Connected).toBool());
        const QByteArray before = EditorImage(program());

        QVERIFY(browser_.Click(page, QStringLiteral("#channel-0 button.keep")));
        QCOMPARE(browser_.Wait(page, QStringLiteral("document.getElementById('ask').open && %1").arg(TextOf(QStringLiteral("#ask-text")))).toString(),
                 KeepFoundNotchesText(model, plan));
        // No: nothing changes.
        QVERIFY(browser_.Click(page, QStringLiteral("#ask-no")));
        QVERIFY(browser_.Wait(page, QStringLiteral("!document.getElementById('ask').open")).toBool());
        QTest::qWait(200);
        QCOMPARE(EditorImage(program()), before);

        QVERIFY(browser_.Click(page, QStringLiteral("#channel-0 button.keep")));
        QVERIFY(browser_.Wait(page, QStringLiteral("document.getElementById('ask').open")).toBool());
        QCOMPARE(browser_.Eval(page, TextOf(QStringLiteral("#ask-yes"))).toString(),
                 plan.kept.size() == 1 ? QStringLiteral("Keep 1 notch") : QStringLiteral("Keep %1 notches").arg(plan.kept.size()));
        QVERIFY(browser_.Click(page, QStringLiteral("#ask-yes")));
        QTRY_COMPARE(model.AutoCount(0), plan.countAfter);
        QVERIFY(browser_.Wait(page, QStringLiteral("%1 === '%2'").arg(TextOf(QStringLiteral("#channel-0 .auto-count"))).arg(plan.countAfter)).toBool());
        QVERIFY(browser_.Wait(page, QStringLiteral("%1 === %2").arg(AllRowsExpr, Quoted(AllRows(model)))).toBool());
        QCOMPARE(DeviceImage(program()).toHex(' '), EditorImage(program()).toHex(' '));
    }

    // An edit in the window reaches the page; Undo on the page takes it
    // back, on the device too.
    void windowEditReachesThePageAndUndoThereTakesItBack()
    {
        const QString page = QStringLiteral("phone");
        QVERIFY(Open(page, LinkFor(RemoteRights::Control)));
        QVERIFY(browser_.Wait(page, Connected).toBool());
        const PresetModel &model = program().Model();
        const int f = ManualFilter(model, 0);
        const int before = model.NotchGainStep(f);
        const int edited = before > 20 ? before - 15 : before + 15;
        const QByteArray device = DeviceImage(program());
        program().Editor().HScroll20[static_cast<std::size_t>(f)]->setValue(edited);
        QCOMPARE(model.NotchGainStep(f), edited);
        QVERIFY2(browser_.Wait(page, QStringLiteral("%1 === %2").arg(RowExpr(0, f + 1), Quoted(RowText(model, f)))).toBool(),
                 qPrintable(browser_.LastError()));
        QVERIFY(DeviceImage(program()) != device);

        QVERIFY(browser_.Wait(page, QStringLiteral("!document.getElementById('undo').disabled")).toBool());
        QVERIFY(browser_.Click(page, QStringLiteral("#undo")));
        QTRY_COMPARE(model.NotchGainStep(f), before);
        QCOMPARE(program().Editor().HScroll20[static_cast<std::size_t>(f)]->value(), before);
        QCOMPARE(DeviceImage(program()).toHex(' '), device.toHex(' '));
        QVERIFY(browser_.Wait(page, QStringLiteral("%1 === %2").arg(RowExpr(0, f + 1), Quoted(RowText(model, f)))).toBool());
        // The window says that a client acted.
        QCOMPARE(program().MainWindow().statusBar()->currentMessage(), QStringLiteral("Stage remote 127.0.0.1: undo"));
    }

    // The watch-only link shows the state and no control that works; a
    // command forged from it is refused and nothing reaches the device.
    void watchOnlyPageChangesNothing_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("search") << QStringLiteral("{type: 'command', id: 1, cmd: 'search', which: 'both', on: true}");
        QTest::newRow("setNotch") << QStringLiteral("{type: 'command', id: 2, cmd: 'setNotch', channel: 1, row: 12, gainDb: -30}");
        QTest::newRow("undo") << QStringLiteral("{type: 'command', id: 3, cmd: 'undo'}");
    }
    void watchOnlyPageChangesNothing()
    {
        QFETCH(QString, command);
        const QString page = QStringLiteral("watch");
        QVERIFY(Open(page, LinkFor(RemoteRights::Watch)));
        QVERIFY(browser_.Wait(page, Connected).toBool());
        QCOMPARE(browser_.Eval(page, AllRowsExpr).toString(), AllRows(program().Model()));
        QCOMPARE(browser_.Eval(page, TextOf(QStringLiteral("#watching"))).toString(), QStringLiteral("Watching only"));
        // Nothing to press: no button, enabled or not, is shown.
        QCOMPARE(browser_.Eval(page, QStringLiteral("[...document.querySelectorAll('button, input, select, a[href]')]"
                                                    ".filter(e => e.getClientRects().length > 0).map(e => e.id || e.className).join()"))
                     .toString(),
                 QString());
        const QByteArray before = EditorImage(program());
        SimFrames();
        QCOMPARE(browser_.Eval(page, ForgedCommandExpr(command)).toString(), QStringLiteral("watch-only"));
        QTest::qWait(300);
        QCOMPARE(SimFrames(), QStringList());
        QCOMPARE(EditorImage(program()), before);
        QVERIFY(!program().State().SearchActive);
    }

    // A wrong token: the page says the link is not valid and shows nothing
    // of the program, and the socket gets nothing but the refusal.
    void wrongTokenSeesNothing()
    {
        const QString page = QStringLiteral("stranger");
        QString link = LinkFor(RemoteRights::Control);
        link[link.size() - 1] = link.endsWith(QLatin1Char('A')) ? QLatin1Char('B') : QLatin1Char('A');
        QVERIFY(Open(page, link));
        QCOMPARE(browser_.Wait(page, QStringLiteral("!document.getElementById('notice').hidden && %1").arg(TextOf(QStringLiteral("#notice-text")))).toString(),
                 InvalidLink);
        QCOMPARE(browser_.Eval(page, QStringLiteral("document.querySelectorAll('.channel').length")).toInt(), 0);
        QCOMPARE(browser_.Eval(page, QStringLiteral("document.querySelectorAll('#journal-rows li').length")).toInt(), 0);
        QCOMPARE(browser_.Eval(page, QStringLiteral("[...document.querySelectorAll('button')].filter(e => e.getClientRects().length > 0).length")).toInt(), 0);
        QVERIFY(browser_.Eval(page, QStringLiteral("sessionStorage.getItem('ksr704.token')")).isNull());
        const QString probe = QStringLiteral(
            "new Promise(resolve => {"
            "  const ws = new WebSocket('ws://' + location.host + '/ws'); const got = [];"
            "  ws.onopen = () => ws.send(JSON.stringify({type: 'hello', api: 1, token: %1}));"
            "  ws.onmessage = e => got.push(JSON.parse(e.data).type + ':' + (JSON.parse(e.data).code || ''));"
            "  ws.onclose = e => resolve(got.join() + ' ' + e.code);"
            "})");
        QCOMPARE(browser_.Eval(page, probe.arg(Quoted(link.section(QStringLiteral("#t="), 1)))).toString(), QStringLiteral("error:unauthorized 4401"));
        expectedProblems_ << QStringLiteral("status of 401");
        QCOMPARE(browser_.Eval(page, QStringLiteral("fetch('/state', {headers: {Authorization: 'Bearer ' + %1}}).then(r => r.status)")
                                         .arg(Quoted(link.section(QStringLiteral("#t="), 1))))
                     .toInt(),
                 401);
    }

    // A phone whose network goes away (asleep, out of reach) says so,
    // reconnects by itself once it can and gets the whole state, with what
    // changed meanwhile.
    void droppedConnectionComesBackWithTheWholeState()
    {
        LoopbackRelay relay(program().Remote().Server().Port());
        QVERIFY(relay.Listen());
        const QString page = QStringLiteral("phone");
        QString link = LinkFor(RemoteRights::Control);
        link.replace(QStringLiteral(":%1/").arg(program().Remote().Server().Port()), QStringLiteral(":%1/").arg(relay.Port()));
        QVERIFY(Open(page, link));
        QVERIFY(browser_.Wait(page, Connected).toBool());

        expectedProblems_ << QStringLiteral("WebSocket connection to");
        relay.SetRefusing(true);
        relay.Cut();
        QVERIFY2(browser_.Wait(page, QStringLiteral("%1 === 'Reconnecting…'").arg(TextOf(QStringLiteral("#status-text")))).toBool(),
                 qPrintable(browser_.LastError()));
        const PresetModel &model = program().Model();
        const int f = ManualFilter(model, 1);
        program().Editor().HScroll20[static_cast<std::size_t>(f)]->setValue(model.NotchGainStep(f) > 20 ? 10 : 40);
        QTest::qWait(1500);
        QVERIFY(browser_.Eval(page, QStringLiteral("%1 !== %2").arg(RowExpr(1, f - FiltersPerChannel + 1), Quoted(RowText(model, f)))).toBool());

        relay.SetRefusing(false);
        QVERIFY2(browser_.Wait(page, QStringLiteral("%1 && %2 === %3").arg(Connected, AllRowsExpr, Quoted(AllRows(model))), 10000).toBool(),
                 qPrintable(browser_.LastError()));
    }

    // New codes end every link: the page says so and stays away.
    void newCodesEndThePage()
    {
        const QString page = QStringLiteral("phone");
        QVERIFY(Open(page, LinkFor(RemoteRights::Control)));
        QVERIFY(browser_.Wait(page, Connected).toBool());
        program().ShowRemoteWindow();
        QVERIFY(program().RemoteWindow() != nullptr);
        program().RemoteWindow()->NewCodes->click();
        QVERIFY2(browser_.Wait(page, QStringLiteral("!document.getElementById('notice').hidden && %1").arg(TextOf(QStringLiteral("#notice-text")))).toString()
                     .endsWith(QStringLiteral("Scan the code in the program's Stage remote window again.")),
                 qPrintable(browser_.LastError()));
        QTest::qWait(2500);
        QVERIFY(program().Remote().Server().Clients().isEmpty());
        QCOMPARE(browser_.Eval(page, TextOf(QStringLiteral("#status-text"))).toString(), QStringLiteral("Not connected"));
    }
};

QTEST_MAIN(RemoteBrowserTest)
#include "tst_remote_browser.moc"
