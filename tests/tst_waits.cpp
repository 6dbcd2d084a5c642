// While the link waits for the device the windows stay alive, but nothing
// acts: no input, no timer of the program, no second exchange; a held
// scroll-bar arrow neither repeats during the wait nor after it.

#include "support/ProgramRig.h"

#include <QLineEdit>
#include <QToolButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimerEvent>

using namespace ksr;
using namespace ksr::test;

namespace {

// The Left channel's manual row of the flat preset (the first eleven are automatic).
constexpr int ManualRow = 11;

enum class Attempt { ToolbarClick, KeysIntoBox, CompareTimer, ReportPoll, NestedExchange };

// What a timer's tick would deliver, sent as the event loop would send it.
void Tick(QTimer &timer)
{
    QTimerEvent tick(timer.timerId());
    QCoreApplication::sendEvent(&timer, &tick);
}

} // namespace

Q_DECLARE_METATYPE(Attempt)

class WaitsTest : public QObject {
    Q_OBJECT

private slots:
    void nothingActsWhileTheDeviceIsAwaited_data()
    {
        QTest::addColumn<Attempt>("attempt");
        QTest::newRow("copy button clicked") << Attempt::ToolbarClick;
        QTest::newRow("gain typed into a box") << Attempt::KeysIntoBox;
        QTest::newRow("channel comparison timer") << Attempt::CompareTimer;
        QTest::newRow("report poll timer") << Attempt::ReportPoll;
        QTest::newRow("second exchange") << Attempt::NestedExchange;
    }

    void nothingActsWhileTheDeviceIsAwaited()
    {
        QFETCH(Attempt, attempt);
        ProgramRig rig;
        rig.StartWithDevice();
        // A paced line, so that every answer is awaited.
        rig.port.SetLinePace(WireByteSeconds);
        Program &p = rig.program;
        QLineEdit *box = p.Editor().Text1[ManualRow];
        QString boxText;
        p.ReportPoll().start(NotificationPollMilliseconds);
        QSignalSpy compareTicks(p.MainWindow().Timer3, &QTimer::timeout);
        QSignalSpy pollTicks(&p.ReportPoll(), &QTimer::timeout);

        int waits = 0;
        rig.port.SetWaitHook([&] {
            if (waits++ > 0)
                return;
            QVERIFY(p.Link().Waiting());
            boxText = box->text();
            switch (attempt) {
            case Attempt::ToolbarClick:
                QTest::mouseClick(p.MainWindow().Command1[7], Qt::LeftButton);
                break;
            case Attempt::KeysIntoBox:
                box->setFocus();
                QTest::keyClicks(box, QStringLiteral("-7"));
                QTest::keyClick(box, Qt::Key_Return);
                break;
            case Attempt::CompareTimer:
                Tick(*p.MainWindow().Timer3);
                break;
            case Attempt::ReportPoll:
                Tick(p.ReportPoll());
                break;
            case Attempt::NestedExchange:
                p.Link().ExchangeCommand({ExitCommand, 0, 0, 0, 0, 0, 0});
                break;
            }
        });
        p.Editor().SetHScroll20Value(ManualRow, p.Editor().HScroll20Value(ManualRow) - 1);
        rig.port.SetWaitHook({});
        // Nothing that was dropped comes back once the loop runs freely.
        QCoreApplication::processEvents();

        QCOMPARE(waits, 1);
        QCOMPARE(rig.Writes().size(), 1);
        QVERIFY(rig.dialogs.messages.isEmpty());
        QCOMPARE(box->text(), boxText);
        QCOMPARE(compareTicks.size(), 0);
        QCOMPARE(pollTicks.size(), 0);
        QVERIFY(!p.Link().Waiting());
        // Once the exchange is over the timers act again.
        Tick(*p.MainWindow().Timer3);
        QCOMPARE(compareTicks.size(), 1);
    }

    void heldArrowStepsOnceAndLetsGo_data()
    {
        QTest::addColumn<bool>("deviceSilent");
        QTest::newRow("released during the wait") << false;
        QTest::newRow("held through \"Time out\"") << true;
    }

    // The arrow's auto-repeat starts after 500 ms: each pause below would let
    // it step if a timer could act.
    void heldArrowStepsOnceAndLetsGo()
    {
        QFETCH(bool, deviceSilent);
        ProgramRig rig;
        rig.StartWithDevice();
        // A paced line, so that every answer is awaited.
        rig.port.SetLinePace(WireByteSeconds);
        Program &p = rig.program;
        QScrollBar *bar = p.Editor().HScroll20[ManualRow];
        const int start = bar->value();
        // The left arrow: the flat preset's gain stands at the top of its range.
        const QPoint arrow(3, bar->height() / 2);
        if (deviceSilent) {
            sim::Faults silent;
            silent.silentReplies = -1;
            silent.count = -1;
            rig.device.SetFaults(silent);
        }
        bool held = true;
        const auto release = [&] {
            QTest::mouseRelease(bar, Qt::LeftButton, {}, arrow);
            held = false;
        };
        rig.port.SetWaitHook([&] {
            if (!held)
                return;
            QTest::qWait(700);
            if (!deviceSilent)
                release();
        });
        rig.dialogs.whileShown = [&](const MessageRequest &) {
            QTest::qWait(700);
            release();
        };

        QTest::mousePress(bar, Qt::LeftButton, {}, arrow);
        rig.port.SetWaitHook({});
        QTest::qWait(700);

        QVERIFY(!held);
        QCOMPARE(bar->value(), start - 1);
        const QList<QByteArray> writes = rig.Writes();
        QVERIFY(!writes.isEmpty());
        QCOMPARE(writes.count(writes.front()), writes.size());
        QCOMPARE(rig.dialogs.Texts(), deviceSilent ? QStringList{QStringLiteral("Time out")} : QStringList{});
    }
};

QTEST_MAIN(WaitsTest)
#include "tst_waits.moc"
