// The feedback search through the real windows: the search boxes and their
// frames, the cursor lock, the device's reports, and the close request.

#include "support/ProgramRig.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QStatusBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <cmath>

using namespace ksr;
using namespace ksr::test;

namespace {

// Left settings 4, 1, 0, 9 and Right settings 6, 3, 1, 12 in bytes 76..79 / 156..159.
sim::Preset SearchPreset()
{
    sim::Preset p = FlatPresetWithAutoCounts(4, 6);
    p[77] = 1;
    p[79] = 9;
    p[157] = 3;
    p[158] = 1;
    p[159] = 12;
    for (int f = 0; f < 4; ++f)
        p[static_cast<std::size_t>(NotchOffset[static_cast<std::size_t>(f)] + 3)] = 1;
    for (int f = 12; f < 18; ++f)
        p[static_cast<std::size_t>(NotchOffset[static_cast<std::size_t>(f)] + 3)] = 3;
    return p;
}

const QByteArray Ack = QByteArray::fromHex("F05B30000000000000F7");

// The contrast ratio of two colours, from their relative luminance.
double ContrastRatio(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &c) {
        const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

class SearchTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ProgramRig> rig_;
    FrmEq &Editor() { return rig_->program.Editor(); }
    AppState &State() { return rig_->program.State(); }
    const PresetValues &Values() const { return rig_->program.Values(); }

    // Every control the lock acts on.
    QList<QWidget *> LockedControls()
    {
        QList<QWidget *> controls;
        for (std::size_t c = 0; c < 2; ++c)
            controls << Editor().HScroll1[c] << Editor().HScroll2[c] << Editor().HScroll3[c] << Editor().HScroll4[c]
                     << Editor().HScroll5[c] << Editor().Slider1[c] << Editor().Text4[c]
                     << Editor().ManualFrame[c];
        for (QPushButton *b : Editor().Command1)
            controls << b;
        for (QPushButton *b : Editor().KeepFound)
            controls << b;
        controls << Editor().Check2;
        for (int i : {0, 1, 2, 3, 7, 8})
            controls << rig_->program.MainWindow().Command1[static_cast<std::size_t>(i)];
        return controls;
    }

    void Inject(const QByteArray &bytes) { rig_->port.InjectBytes(bytes, rig_->clock.NowSeconds()); }

private slots:
    void init()
    {
        rig_ = std::make_unique<ProgramRig>();
        rig_->device.SetCurrentSettings(SearchPreset());
        rig_->StartWithDevice();
    }
    void cleanup() { rig_.reset(); }

    void searchBoxesStartAndStop_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<int>("stops");
        QTest::newRow("L&R") << 0 << QByteArray::fromHex("F05B0A000401000901F7") << 2;
        QTest::newRow("L") << 1 << QByteArray::fromHex("F05B0A010401000901F7") << 4;
        QTest::newRow("R") << 2 << QByteArray::fromHex("F05B0A020603010C01F7") << 4;
    }
    void searchBoxesStartAndStop()
    {
        QFETCH(int, box);
        QFETCH(QByteArray, start);
        QFETCH(int, stops);
        QCheckBox *check = Editor().Check1[static_cast<std::size_t>(box)];
        check->setChecked(true);
        QCOMPARE(rig_->Writes(), QList<QByteArray>{start});
        QVERIFY(State().SearchActive);
        QVERIFY(rig_->program.ReportPoll().isActive());
        QVERIFY(!rig_->program.MainWindow().SearchStatus->isHidden());
        for (int other = 0; other < 3; ++other)
            QCOMPARE(Editor().Check1[static_cast<std::size_t>(other)]->isEnabled(), other == box);
        // The sensitivity boxes are locked too: a typed sensitivity would
        // send a frame that stops the device's search.
        for (QWidget *w : LockedControls())
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));

        rig_->port.ClearWrites();
        check->setChecked(false);
        // The stop frame always carries the Left settings for both channels.
        QCOMPARE(rig_->Writes(), QList<QByteArray>(stops, QByteArray::fromHex("F05B0A000401000900F7")));
        QVERIFY(!State().SearchActive);
        QVERIFY(!rig_->program.ReportPoll().isActive());
        QVERIFY(rig_->program.MainWindow().SearchStatus->isHidden());
        for (QWidget *w : LockedControls())
            QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
        for (QCheckBox *other : Editor().Check1)
            QVERIFY(other->isEnabled());
    }

    // The lock also shows: an automatic row says the device sets it, on its
    // own legible background, a locked one why it is locked.
    void lockActsOnTheFramesNotTheRows()
    {
        const QString automatic = QStringLiteral("Placed by the device's search");
        const QString locked = QStringLiteral("Locked while the feedback search runs");
        const auto automaticRowIsLegible = [this] {
            const QPalette palette = Editor().Text1[0]->palette();
            const double ratio = ContrastRatio(palette.color(QPalette::Disabled, QPalette::Text),
                                               palette.color(QPalette::Disabled, QPalette::Base));
            QVERIFY2(ratio >= 4.5, qPrintable(QString::number(ratio)));
            QVERIFY(palette.color(QPalette::Disabled, QPalette::Base)
                    != Editor().Text1[4]->palette().color(QPalette::Disabled, QPalette::Base));
        };
        // Row 0 holds an automatic notch: disabled of its own.
        QVERIFY(!Editor().HScroll20[0]->isEnabled());
        QVERIFY(Editor().HScroll20[4]->isEnabled());
        QVERIFY(Editor().Text2[0]->toolTip().contains(automatic));
        QVERIFY(!Editor().Text2[4]->toolTip().contains(automatic));
        automaticRowIsLegible();
        Editor().Check1[0]->setChecked(true);
        QVERIFY(!Editor().HScroll20[4]->isEnabled()); // through its frame
        QVERIFY(Editor().HScroll20[4]->isEnabledTo(Editor().ManualFrame[0]));
        for (QWidget *w : {static_cast<QWidget *>(Editor().HScroll20[4]), static_cast<QWidget *>(Editor().Slider1[1]),
                           static_cast<QWidget *>(Editor().Check1[2]),
                           static_cast<QWidget *>(rig_->program.MainWindow().Command1[0])})
            QVERIFY2(w->toolTip().contains(locked), qPrintable(w->objectName()));
        QVERIFY(Editor().Text2[0]->toolTip().contains(automatic));
        automaticRowIsLegible();
        Editor().Check1[0]->setChecked(false);
        QVERIFY(Editor().HScroll20[4]->isEnabled());
        QVERIFY(!Editor().HScroll20[0]->isEnabled());
        QVERIFY(!Editor().HScroll20[4]->toolTip().contains(locked));
        QCOMPARE(rig_->program.MainWindow().Command1[0]->toolTip(), QStringLiteral("Load Preset from PC"));
    }

    void notchReportFillsTheRowWithoutSending()
    {
        Editor().Check1[0]->setChecked(true);
        rig_->port.ClearWrites();
        QSignalSpy redrawn(&rig_->program.Graph(), &ResponseGraph::ChannelRedrawn);
        Inject(QByteArray::fromHex("FE0103012C0214000000"));
        rig_->program.PollNotifications();
        QCOMPARE(ImageBytes(Values(), NotchOffset[15], 4), QByteArray::fromHex("14012C02"));
        QCOMPARE(Editor().HScroll20[15]->value(), 20);
        QCOMPARE(Editor().Text2Text(15), QStringLiteral("342.5"));
        QCOMPARE(Editor().Text1Text(15), QStringLiteral("-25"));
        QCOMPARE(Editor().HScroll30[15]->value(), 2);
        // The frequency scroll bar stands at the reported index, unsent.
        QCOMPARE(Editor().HScroll6[15]->value(), 300);
        QCOMPARE(Values().NotchFreqHz[15], 342.5);
        QCOMPARE(rig_->Writes(), QList<QByteArray>{Ack});
        QCOMPARE(redrawn.size(), 1);
        QCOMPARE(redrawn.front().front().toInt(), 1);
    }

    void gainReportChangesOnlyTheGain()
    {
        Editor().Check1[1]->setChecked(true);
        rig_->port.ClearWrites();
        const QByteArray before = ImageBytes(Values(), NotchOffset[0], 4);
        Inject(QByteArray::fromHex("FD00000000002D000000"));
        rig_->program.PollNotifications();
        QCOMPARE(ImageBytes(Values(), NotchOffset[0], 4), QByteArray(1, char(45)) + before.mid(1));
        QCOMPARE(rig_->Writes(), QList<QByteArray>{Ack});
    }

    void unknownAndOutOfRangeReportsAreOnlyAcknowledged_data()
    {
        QTest::addColumn<QByteArray>("report");
        QTest::newRow("unknown type") << QByteArray::fromHex("FC0103012C0214000000");
        QTest::newRow("filter 12") << QByteArray::fromHex("FE000C012C0214000000");
        QTest::newRow("filter 255") << QByteArray::fromHex("FD00FF000000140000F7");
        QTest::newRow("frequency index 730") << QByteArray::fromHex("FE000502DA0214000000");
        QTest::newRow("width 4") << QByteArray::fromHex("FE0005012C0414000000");
        QTest::newRow("gain 46") << QByteArray::fromHex("FD00050000002E000000");
    }
    void unknownAndOutOfRangeReportsAreOnlyAcknowledged()
    {
        QFETCH(QByteArray, report);
        Editor().Check1[0]->setChecked(true);
        rig_->port.ClearWrites();
        const QByteArray image = ImageBytes(Values(), 0, 161);
        Inject(report);
        rig_->program.PollNotifications();
        QCOMPARE(ImageBytes(Values(), 0, 161), image);
        QCOMPARE(rig_->Writes(), QList<QByteArray>{Ack});
    }

    void oneReportPerPollTheRestDiscarded()
    {
        rig_->port.SetReceiveSize(160); // room for what a device might pile up
        Editor().Check1[0]->setChecked(true);
        rig_->port.ClearWrites();
        Inject(QByteArray::fromHex("FE0003012C0214000000") + QByteArray::fromHex("FE0104012C0214000000")
               + QByteArray::fromHex("FE01050000"));
        rig_->program.PollNotifications();
        QCOMPARE(Editor().Text2Text(3), QStringLiteral("342.5"));
        QCOMPARE(Editor().Text2Text(16), QStringLiteral("247.9"));
        QCOMPARE(rig_->port.BytesWaiting(), 0);
        rig_->program.PollNotifications();
        QCOMPARE(rig_->Writes(), QList<QByteArray>{Ack});
    }

    // A report that waits, or that is on its way, when the search is
    // stopped is taken in and acknowledged, never taken for a stop frame's
    // reply; the stop frames get their own replies.
    void reportAtTheStopIsTakenIn_data()
    {
        QTest::addColumn<bool>("onItsWay");
        QTest::addColumn<QList<QByteArray>>("writes");
        const QByteArray stop = QByteArray::fromHex("F05B0A000401000900F7");
        QTest::newRow("waiting") << false << QList<QByteArray>{Ack, stop, stop};
        QTest::newRow("on its way as the stop goes out") << true << QList<QByteArray>{stop, Ack, stop};
    }
    void reportAtTheStopIsTakenIn()
    {
        QFETCH(bool, onItsWay);
        QFETCH(QList<QByteArray>, writes);
        Editor().Check1[0]->setChecked(true);
        rig_->port.SetLinePace(WireByteSeconds);
        rig_->port.ClearWrites();
        // Still arriving while the first stop frame is on the line.
        rig_->port.InjectBytes(QByteArray::fromHex("FE0103012C0214000000"),
                               rig_->clock.NowSeconds() + (onItsWay ? 0.005 : 0.0));
        Editor().Check1[0]->setChecked(false);
        QCOMPARE(rig_->Writes(), writes);
        QCOMPARE(Editor().Text2Text(15), QStringLiteral("342.5"));
        QCOMPARE(ImageBytes(Values(), NotchOffset[15], 4), QByteArray::fromHex("14012C02"));
        QCOMPARE(rig_->program.Link().RxBuffer()[2], std::uint8_t{AutoSearchCommand});
        QVERIFY(!State().SearchActive);
        QVERIFY(rig_->dialogs.messages.isEmpty());
    }

    void nothingIsReadWhileNoSearchRuns()
    {
        Inject(QByteArray::fromHex("FE0003012C0214000000"));
        rig_->program.PollNotifications();
        QCOMPARE(rig_->port.BytesWaiting(), 10);
        QVERIFY(rig_->Writes().isEmpty());
        QVERIFY(!rig_->program.ReportPoll().isActive());
    }

    void devicesReportsFillTheAutomaticRows()
    {
        // SearchPreset: Left has 4 automatic filters, Right 6.
        Editor().Check1[0]->setChecked(true);
        // Reports alternate: after twelve, Left placed 4 and deepened twice, Right placed 6.
        for (int poll = 0; poll < 12; ++poll) {
            rig_->clock.Advance(0.35);
            rig_->program.PollNotifications();
        }
        int placed = 0;
        for (int f = 0; f < FilterCount; ++f) {
            const bool automatic = f % 12 < (f < 12 ? 4 : 6);
            if (Editor().Text1Text(f) != QStringLiteral("0")) {
                QVERIFY2(automatic, qPrintable(QString::number(f)));
                ++placed;
            }
        }
        QCOMPARE(placed, 10);
        // The editor's image and the device's settings agree on the notches.
        const sim::Preset device = rig_->device.CurrentSettings();
        QCOMPARE(ImageBytes(Values(), 28, 48), QByteArray(reinterpret_cast<const char *>(device.data()) + 28, 48));
        // Only acknowledgements went out.
        for (const QByteArray &w : rig_->Writes().mid(1))
            QCOMPARE(w, Ack);
    }

    void closeIsRefusedSilentlyDuringASearch()
    {
        Editor().Check1[2]->setChecked(true);
        rig_->port.ClearWrites();
        QVERIFY(!rig_->program.MDIForm_QueryUnload());
        QVERIFY(rig_->dialogs.messages.isEmpty());
        QVERIFY(rig_->Writes().isEmpty());
        QVERIFY(!rig_->end.Ended());
        // The refusal says why, in the status bar.
        QVERIFY(rig_->program.MainWindow().statusBar()->currentMessage().contains(QStringLiteral("feedback search")));
    }

    void closeAnsweredNoStays()
    {
        rig_->dialogs.answers = {MessageAnswer::No};
        QVERIFY(!rig_->program.MDIForm_QueryUnload());
        const MessageRequest &q = rig_->dialogs.messages.front();
        QCOMPARE(q.text, QStringLiteral("               Are you sure ? "));
        QCOMPARE(q.title, QStringLiteral("Exit"));
        QCOMPARE(q.defaultAnswer, MessageAnswer::No);
        QVERIFY(rig_->Writes().isEmpty());
        QVERIFY(!rig_->end.Ended());
    }

    void closeAnsweredYesSendsTheExitCommand()
    {
        rig_->dialogs.answers = {MessageAnswer::Yes};
        QVERIFY(rig_->program.MDIForm_QueryUnload());
        QCOMPARE(rig_->Writes(), QList<QByteArray>{QByteArray::fromHex("F05B0F000000000000F7")});
        QCOMPARE(rig_->end.exitCodes, QList<int>{0});
        QVERIFY(State().ExitRequested);
    }

    void editorRefusesToClose()
    {
        QVERIFY(!Editor().close());
        QVERIFY(!rig_->program.MainWindow().EditorWindow->close());
    }
};

class DemoExitTest : public QObject {
    Q_OBJECT
private slots:
    void closeInDemoModeSendsNothing()
    {
        ProgramRig rig;
        rig.dialogs.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
        rig.Start();
        QVERIFY(rig.program.State().DemoMode);
        QVERIFY(rig.program.MDIForm_QueryUnload());
        QVERIFY(rig.Writes().isEmpty());
        QCOMPARE(rig.end.exitCodes, QList<int>{0});
    }

    void closeWithASilentDeviceEndsInTimeOut()
    {
        ProgramRig rig;
        rig.StartWithDevice();
        sim::Faults faults;
        faults.silentReplies = -1;
        rig.device.SetFaults(faults);
        rig.dialogs.answers = {MessageAnswer::Yes};
        QVERIFY(rig.program.MDIForm_QueryUnload());
        QCOMPARE(rig.Writes().size(), 6);
        QCOMPARE(rig.dialogs.Texts().last(), QStringLiteral("Time out"));
        QCOMPARE(rig.end.exitCodes, QList<int>{TimeOutExitCode});
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    SearchTest search;
    DemoExitTest demo;
    return QTest::qExec(&search, argc, argv) | QTest::qExec(&demo, argc, argv);
}

#include "tst_search.moc"
