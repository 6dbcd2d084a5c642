// While the link waits for the device the windows stay alive, but nothing
// acts: no input, no timer of the program, no second exchange; a held
// arrow, groove or slider steps once, and repeats neither during the wait
// nor after it.

#include "support/ProgramRig.h"
#include "support/SliderPoints.h"

#include "shell/QtDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QWindow>

#include <QLineEdit>
#include <QToolButton>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QSignalSpy>
#include <QTest>
#include <QTimerEvent>

#include <algorithm>

using namespace ksr;
using namespace ksr::test;

namespace {

// The Left channel's manual row of the flat preset (the first eleven are automatic).
constexpr int ManualRow = 11;

enum class Attempt { ToolbarClick, KeysIntoBox, CompareTimer, ReportPoll, NestedExchange };

// Controls that repeat while held, and where they are held.
enum class Held { GainArrow, GainGroove, FrequencyArrow, CountArrow, SensitivityGroove };

struct HeldPlace {
    QAbstractSlider *control;
    QPoint point;
    int step; // what one press moves the value by
};

// What a timer's tick would deliver, sent as the event loop would send it.
void Tick(QTimer &timer)
{
    QTimerEvent tick(timer.timerId());
    QCoreApplication::sendEvent(&timer, &tick);
}

// The place to press and the one step it makes, on the Left channel's controls.
HeldPlace PlaceOf(FrmEq &editor, Held held)
{
    QScrollBar *gain = editor.HScroll20[ManualRow];
    QScrollBar *frequency = editor.HScroll6[ManualRow];
    QScrollBar *count = editor.HScroll1[0];
    QSlider *sensitivity = editor.Slider1[0];
    switch (held) {
    // The flat preset's gain and the count stand at the top of their ranges,
    // the frequency and the sensitivity below it.
    case Held::GainArrow:
        return {gain, PointOn(*gain, QStyle::SC_ScrollBarSubLine, false), -gain->singleStep()};
    case Held::GainGroove:
        // Wider than the editor makes it, so that it has a groove beside its arrows.
        gain->resize(8 * gain->width(), gain->height());
        return {gain, PointOn(*gain, QStyle::SC_ScrollBarSubPage, false), -gain->pageStep()};
    case Held::FrequencyArrow:
        return {frequency, PointOn(*frequency, QStyle::SC_ScrollBarAddLine, true), frequency->singleStep()};
    case Held::CountArrow:
        return {count, PointOn(*count, QStyle::SC_ScrollBarSubLine, false), -count->singleStep()};
    case Held::SensitivityGroove:
        return {sensitivity, PointOn(*sensitivity, QStyle::SC_SliderGroove, true), sensitivity->pageStep()};
    }
    return {};
}

} // namespace

Q_DECLARE_METATYPE(Attempt)
Q_DECLARE_METATYPE(Held)

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

    void heldControlStepsOnceAndLetsGo_data()
    {
        QTest::addColumn<Held>("held");
        QTest::addColumn<bool>("deviceSilent");
        QTest::newRow("gain arrow released during the wait") << Held::GainArrow << false;
        QTest::newRow("gain arrow held through \"Time out\"") << Held::GainArrow << true;
        QTest::newRow("gain groove released during the wait") << Held::GainGroove << false;
        QTest::newRow("frequency arrow released during the wait") << Held::FrequencyArrow << false;
        QTest::newRow("count arrow released during the wait") << Held::CountArrow << false;
        QTest::newRow("sensitivity groove released during the wait") << Held::SensitivityGroove << false;
        QTest::newRow("sensitivity groove held through \"Time out\"") << Held::SensitivityGroove << true;
    }

    // Every auto-repeat starts after 500 ms or less: each pause below would
    // let it step if a timer could act, or if the release did not end the press.
    void heldControlStepsOnceAndLetsGo()
    {
        QFETCH(Held, held);
        QFETCH(bool, deviceSilent);
        ProgramRig rig;
        rig.StartWithDevice();
        // A paced line, so that every answer is awaited.
        rig.port.SetLinePace(WireByteSeconds);
        Program &p = rig.program;
        const HeldPlace place = PlaceOf(p.Editor(), held);
        QAbstractSlider *control = place.control;
        const int start = control->value();
        const int expected = std::clamp(start + place.step, control->minimum(), control->maximum());
        QVERIFY(expected != start);
        QVERIFY(!place.point.isNull());
        if (deviceSilent) {
            sim::Faults silent;
            silent.silentReplies = -1;
            silent.count = -1;
            rig.device.SetFaults(silent);
        }
        bool pressed = true;
        const auto release = [&] {
            QTest::mouseRelease(control, Qt::LeftButton, {}, place.point);
            pressed = false;
        };
        rig.port.SetWaitHook([&] {
            if (!pressed)
                return;
            QTest::qWait(700);
            if (!deviceSilent)
                release();
        });
        rig.dialogs.whileShown = [&](const MessageRequest &) {
            QTest::qWait(700);
            release();
        };

        QTest::mousePress(control, Qt::LeftButton, {}, place.point);
        rig.port.SetWaitHook({});
        QTest::qWait(700);

        QVERIFY(!pressed);
        QCOMPARE(control->value(), expected);
        const QList<QByteArray> writes = rig.Writes();
        QVERIFY(!writes.isEmpty());
        QCOMPARE(writes.count(writes.front()), writes.size());
        QCOMPARE(rig.dialogs.Texts(), deviceSilent ? QStringList{QStringLiteral("Time out")} : QStringList{});
    }

    // As the desktop delivers it: the press and its release reach the
    // editor's native window, and "Time out" is a real message box, closed
    // with OK. The arrow steps once and lets go: the program stays after
    // "Time out", and an arrow that went on repeating would walk the gain
    // down to -45 dB while the device is offline.
    void heldArrowLetsGoAfterARealTimeOutBox()
    {
        BasicProgramRig<InProcessLine, QtDialogs> rig;
        rig.StartWithDevice();
        Program &p = rig.program;
        const HeldPlace place = PlaceOf(p.Editor(), Held::GainArrow);
        QAbstractSlider *control = place.control;
        const int expected = control->value() + place.step;
        sim::Faults silent;
        silent.silentReplies = -1;
        rig.device.SetFaults(silent);
        QWindow *window = control->window()->windowHandle();
        QVERIFY(window != nullptr);
        const QPoint at = control->mapTo(control->window(), place.point);
        bool released = false;
        rig.port.SetWaitHook([&] {
            if (!released) {
                released = true;
                QTest::mouseRelease(window, Qt::LeftButton, {}, at);
            }
        });
        QTimer ok;
        QObject::connect(&ok, &QTimer::timeout, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Ok)->click();
        });
        ok.start(100);
        QTest::mousePress(window, Qt::LeftButton, {}, at);
        rig.port.SetWaitHook({});
        QVERIFY(released);
        QTest::qWait(1500);
        QVERIFY(p.State().DeviceLost);
        QCOMPARE(control->value(), expected);
    }
};

QTEST_MAIN(WaitsTest)
#include "tst_waits.moc"
