// Undo, redo and A/B compare through the real windows on the in-process
// device: each kind of step taken back and made again on the device and in
// the editor with only the frames that differ, held controls, the keys, a
// search's reports, demo mode and a long history; what Hold and A/B show.

#include "support/ProgramRig.h"
#include "support/SliderPoints.h"

#include "core/PresetFile.h"
#include "operations/ParameterEditing.h"
#include "presets/FrmRead.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace ksr;
using namespace ksr::test;

namespace {

// Left: 3 automatic rows, row 1 at -15 dB, row 5 at -20 dB, 1003 Hz, 1/5,
// variable attenuation. Right: 1 automatic row, fast release.
sim::Preset StartPreset()
{
    sim::Preset p = FlatPresetWithAutoCounts(3, 1);
    p[static_cast<std::size_t>(NotchOffset[1])] = 30;
    const auto o = static_cast<std::size_t>(NotchOffset[5]);
    p[o] = 25;
    p[o + 1] = 413 >> 8;
    p[o + 2] = 413 & 0xFF;
    p[o + 3] = 3;
    p[78] = 1;
    p[100] = 1;
    return p;
}

enum class Edit {
    GainStep,
    FrequencyTyped,
    WidthStep,
    GainTypedLinked,
    CountStep,
    AutoWidthStep,
    AttenuationStep,
    ReleaseStep,
    SearchModeStep,
    SensitivityTyped,
    SensitivitySlider,
    CopyLeftToRight,
    CopyRightToLeft,
    ResetManual,
    ResetAutomatic,
    LinkWithCopy,
    Unlink,
    LoadedFile,
    ReadFromDevice,
};

void TypeInto(QLineEdit *box, const QString &keys)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, keys);
    QTest::keyClick(box, Qt::Key_Return);
}

// A user's step on a scroll bar or slider: the value changes as an arrow click changes it.
void Step(QAbstractSlider *control, QAbstractSlider::SliderAction action)
{
    control->triggerAction(action);
}

// Everything the editor shows and the model holds, a line per item, so that
// a failed comparison names what differs.
QStringList EditorState(Program &p)
{
    FrmEq &e = p.Editor();
    const PresetValues &s = p.Values();
    QStringList lines;
    for (int f = 0; f < FilterCount; ++f) {
        const auto i = static_cast<std::size_t>(f);
        lines << QStringLiteral("row %1: %2 %3 %4 '%5' '%6' '%7' enabled %8 mirrors %9 %10 %11")
                     .arg(f)
                     .arg(e.HScroll20Value(f))
                     .arg(e.HScroll30Value(f))
                     .arg(e.HScroll6Value(f))
                     .arg(e.Text1Text(f), e.Text2Text(f), e.Text3Text(f))
                     .arg(e.HScroll20[i]->isEnabled())
                     .arg(s.NotchGainDb[i])
                     .arg(s.NotchFreqHz[i])
                     .arg(s.NotchWidthIndex[i]);
    }
    for (int c = 0; c < 2; ++c) {
        for (int k = 0; k < 6; ++k) {
            const auto control = static_cast<SettingControl>(k);
            lines << QStringLiteral("setting %1.%2: %3 '%4'")
                         .arg(c)
                         .arg(k)
                         .arg(e.SettingValue(control, c))
                         .arg(e.SettingText(control, c));
        }
    }
    QStringList settings;
    for (const std::int16_t v : s.ChannelSettings)
        settings << QString::number(v);
    lines << QStringLiteral("settings ") + settings.join(QLatin1Char(' '));
    lines << QStringLiteral("link %1 %2").arg(e.Check2->isChecked()).arg(s.LinkFlag);
    lines << QStringLiteral("captions '%1' '%2'").arg(e.Label7->text(), e.Label8->text());
    lines << QStringLiteral("image ") + QString::fromLatin1(ImageBytes(s, 0, PresetImageBytes).toHex());
    return lines;
}

QByteArray DeviceSettings(const ProgramRig &rig)
{
    const sim::Preset settings = rig.device.CurrentSettings();
    return QByteArray(reinterpret_cast<const char *>(settings.data()), static_cast<qsizetype>(settings.size()));
}

// Reads directory entry `e` through the read window, as the toolbar opens it.
void ReadThroughTheWindow(ProgramRig &rig, int e)
{
    QTimer::singleShot(0, [e] {
        if (auto *read = qobject_cast<FrmRead *>(QApplication::activeModalWidget())) {
            read->List1->setCurrentRow(e);
            read->Command1_Click(1);
        }
    });
    rig.program.MainWindow().Command1[3]->click();
}

} // namespace

Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(std::function<void(ksr::FrmEq &)>)
Q_DECLARE_METATYPE(std::function<void(ksr::ParameterEditing &, const ksr::PresetModel &)>)

class UndoTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ProgramRig> rig_;
    Program &P() { return rig_->program; }
    FrmEq &Editor() { return rig_->program.Editor(); }
    MdiFrmMain &Main() { return rig_->program.MainWindow(); }

    void StartWith(const sim::Preset &preset)
    {
        rig_ = std::make_unique<ProgramRig>();
        rig_->device.SetCurrentSettings(preset);
        rig_->StartWithDevice();
        Activate();
    }

    // Keys reach the focus widget and shortcuts only in the active window.
    void Activate()
    {
        Main().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&Main()));
    }

    void LinkWithCopy()
    {
        rig_->dialogs.answers = {MessageAnswer::Yes};
        Editor().Check2->setChecked(true);
    }

    void Perform(Edit edit)
    {
        FrmEq &e = Editor();
        using A = QAbstractSlider::SliderAction;
        switch (edit) {
        case Edit::GainStep:
            return Step(e.HScroll20[5], A::SliderSingleStepAdd);
        case Edit::FrequencyTyped:
            return TypeInto(e.Text2[18], QStringLiteral("1000"));
        case Edit::WidthStep:
            return Step(e.HScroll30[7], A::SliderSingleStepSub);
        case Edit::GainTypedLinked:
            return TypeInto(e.Text1[6], QStringLiteral("-12"));
        case Edit::CountStep:
            return Step(e.HScroll1[1], A::SliderSingleStepAdd);
        case Edit::AutoWidthStep:
            return Step(e.HScroll2[0], A::SliderSingleStepAdd);
        case Edit::AttenuationStep:
            return Step(e.HScroll3[0], A::SliderSingleStepSub);
        case Edit::ReleaseStep:
            return Step(e.HScroll4[1], A::SliderSingleStepSub);
        case Edit::SearchModeStep:
            return Step(e.HScroll5[0], A::SliderSingleStepAdd);
        case Edit::SensitivityTyped:
            return TypeInto(e.Text4[1], QStringLiteral("12"));
        case Edit::SensitivitySlider:
            return Step(e.Slider1[0], A::SliderPageStepAdd);
        case Edit::CopyLeftToRight:
        case Edit::CopyRightToLeft:
            rig_->dialogs.answers = {MessageAnswer::Yes};
            return Main().Command1[edit == Edit::CopyLeftToRight ? 7 : 8]->click();
        case Edit::ResetManual:
        case Edit::ResetAutomatic:
            rig_->dialogs.answers = {MessageAnswer::Yes};
            return e.Command1[edit == Edit::ResetManual ? 2 : 0]->click();
        case Edit::LinkWithCopy:
            return LinkWithCopy();
        case Edit::Unlink:
            return e.Check2->setChecked(false);
        case Edit::LoadedFile: {
            PresetImageArray image = P().Values().PresetImage;
            image[static_cast<std::size_t>(NotchOffset[20])] = 30;
            image[static_cast<std::size_t>(NotchOffset[9] + 3)] = 0;
            image[SensitivityOffset[1]] = 3;
            image[160] = 0x5A;
            const QString path = rig_->folder.filePath(QStringLiteral("Show.Fbk"));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(PresetFileBytes(image));
            file.close();
            rig_->dialogs.openFileNames = {path};
            return Main().Command1[0]->click();
        }
        case Edit::ReadFromDevice:
            rig_->dialogs.answers = {MessageAnswer::Yes};
            return ReadThroughTheWindow(*rig_, 0);
        }
    }

private slots:
    void cleanup() { rig_.reset(); }

    // undoFrames: what taking the step back sends, one frame per filter or
    // settings frame that differs. A step that sends each parameter once is
    // made again with its own frames.
    void eachStepUndoesAndRedoes_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<int>("undoFrames");
        QTest::addColumn<bool>("redoSendsTheEditsFrames");
        QTest::newRow("gain scroll step") << Edit::GainStep << 1 << true;
        QTest::newRow("typed frequency") << Edit::FrequencyTyped << 1 << true;
        QTest::newRow("width scroll step") << Edit::WidthStep << 1 << true;
        QTest::newRow("typed gain on linked channels") << Edit::GainTypedLinked << 2 << true;
        QTest::newRow("automatic count") << Edit::CountStep << 1 << true;
        QTest::newRow("automatic width") << Edit::AutoWidthStep << 1 << true;
        QTest::newRow("attenuation mode") << Edit::AttenuationStep << 1 << true;
        QTest::newRow("release mode") << Edit::ReleaseStep << 1 << true;
        QTest::newRow("search mode") << Edit::SearchModeStep << 1 << true;
        QTest::newRow("typed sensitivity") << Edit::SensitivityTyped << 1 << true;
        QTest::newRow("sensitivity slider") << Edit::SensitivitySlider << 1 << true;
        // Rows 1 and 5, the count and attenuation (one frame), the release.
        QTest::newRow("copy Left to Right") << Edit::CopyLeftToRight << 4 << false;
        QTest::newRow("copy Right to Left") << Edit::CopyRightToLeft << 4 << false;
        // Of Left's rows only 1 (automatic) and 5 (manual) were not at 0 dB.
        QTest::newRow("reset manual notches") << Edit::ResetManual << 1 << false;
        QTest::newRow("reset automatic notches") << Edit::ResetAutomatic << 1 << false;
        QTest::newRow("link with its copy") << Edit::LinkWithCopy << 4 << false;
        QTest::newRow("unlink") << Edit::Unlink << 0 << true;
        // Filters 20 and 9 and Right's sensitivity.
        QTest::newRow("preset loaded from a file") << Edit::LoadedFile << 3 << false;
        // The flat preset: Left's count and attenuation, rows 1 and 5, Right's count, Right's release.
        QTest::newRow("preset read from the device") << Edit::ReadFromDevice << 5 << false;
    }
    void eachStepUndoesAndRedoes()
    {
        QFETCH(Edit, edit);
        QFETCH(int, undoFrames);
        QFETCH(bool, redoSendsTheEditsFrames);
        StartWith(StartPreset());
        if (edit == Edit::GainTypedLinked || edit == Edit::Unlink)
            LinkWithCopy();
        const EditHistory &history = P().History();
        const std::size_t stepsBefore = history.UndoCount();
        const QStringList before = EditorState(P());
        const QByteArray deviceBefore = DeviceSettings(*rig_);
        rig_->port.ClearWrites();

        Perform(edit);
        const QList<QByteArray> editFrames = rig_->Writes();
        const QStringList after = EditorState(P());
        const QByteArray deviceAfter = DeviceSettings(*rig_);
        QVERIFY(after != before);
        QCOMPARE(history.UndoCount(), stepsBefore + 1);
        QVERIFY(Main().UndoButton->isEnabled());
        QVERIFY(!Main().RedoButton->isEnabled());

        rig_->port.ClearWrites();
        Main().UndoButton->click();
        QCOMPARE(EditorState(P()), before);
        QCOMPARE(DeviceSettings(*rig_), deviceBefore);
        QCOMPARE(rig_->Writes().size(), undoFrames);
        QVERIFY(Main().RedoButton->isEnabled());

        rig_->port.ClearWrites();
        Main().RedoButton->click();
        QCOMPARE(EditorState(P()), after);
        QCOMPARE(DeviceSettings(*rig_), deviceAfter);
        if (redoSendsTheEditsFrames)
            QCOMPARE(rig_->Writes(), editFrames);
        else
            QCOMPARE(rig_->Writes().size(), undoFrames);
        QVERIFY(!Main().RedoButton->isEnabled());
        QVERIFY(!rig_->end.Ended());
    }

    // A change that does not come from the editor (the model changed as a
    // remote client changes it): the editor shows it and the curves draw it
    // as they show the same edit made in the editor, it goes out with that
    // edit's frames, and Undo takes it back as one step.
    void changeFromOutsideTheEditorIsAnEdit_data()
    {
        using A = QAbstractSlider;
        using Outside = std::function<void(ParameterEditing &, const PresetModel &)>;
        QTest::addColumn<std::function<void(FrmEq &)>>("inEditor");
        QTest::addColumn<Outside>("outside");
        QTest::addColumn<bool>("linked");
        const auto remote = ChangeOrigin::Remote;
        QTest::newRow("gain") << std::function<void(FrmEq &)>([](FrmEq &e) { Step(e.HScroll20[5], A::SliderSingleStepAdd); })
                              << Outside([remote](ParameterEditing &edit, const PresetModel &m) {
                                     edit.EditNotchGain(5, m.NotchGainStep(5) + 1, remote);
                                 })
                              << false;
        QTest::newRow("frequency, linked")
            << std::function<void(FrmEq &)>([](FrmEq &e) { Step(e.HScroll6[14], A::SliderSingleStepSub); })
            << Outside([remote](ParameterEditing &edit, const PresetModel &m) {
                   edit.EditNotchFrequency(14, m.NotchFrequencyIndex(14) - 1, remote);
               })
            << true;
        QTest::newRow("automatic width")
            << std::function<void(FrmEq &)>([](FrmEq &e) { Step(e.HScroll2[0], A::SliderSingleStepAdd); })
            << Outside([remote](ParameterEditing &edit, const PresetModel &m) {
                   edit.EditSetting(SettingControl::HScroll2, 0, m.SettingPosition(SettingControl::HScroll2, 0) + 1,
                                    remote);
               })
            << false;
        QTest::newRow("count, linked")
            << std::function<void(FrmEq &)>([](FrmEq &e) { Step(e.HScroll1[1], A::SliderSingleStepAdd); })
            << Outside([remote](ParameterEditing &edit, const PresetModel &m) {
                   edit.EditSetting(SettingControl::HScroll1, 1, m.SettingPosition(SettingControl::HScroll1, 1) + 1,
                                    remote);
               })
            << true;
    }

    void changeFromOutsideTheEditorIsAnEdit()
    {
        using Outside = std::function<void(ParameterEditing &, const PresetModel &)>;
        QFETCH(std::function<void(FrmEq &)>, inEditor);
        QFETCH(Outside, outside);
        QFETCH(bool, linked);
        // The same edit made in the editor, for what it shows and sends.
        StartWith(StartPreset());
        if (linked)
            LinkWithCopy();
        rig_->port.ClearWrites();
        inEditor(Editor());
        const QList<QByteArray> editFrames = rig_->Writes();
        const QStringList editShown = EditorState(P());
        const std::array<std::vector<QPoint>, 2> editDrawn = {P().Graph().CurvePoints(0), P().Graph().CurvePoints(1)};

        StartWith(StartPreset());
        if (linked)
            LinkWithCopy();
        const QStringList before = EditorState(P());
        const QByteArray deviceBefore = DeviceSettings(*rig_);
        const std::size_t steps = P().History().UndoCount();
        rig_->port.ClearWrites();
        outside(P().Editing(), P().Model());
        QVERIFY(!editFrames.isEmpty());
        QCOMPARE(rig_->Writes(), editFrames);
        QCOMPARE(EditorState(P()), editShown);
        QCOMPARE(P().Graph().CurvePoints(0), editDrawn[0]);
        QCOMPARE(P().Graph().CurvePoints(1), editDrawn[1]);
        QCOMPARE(P().History().UndoCount(), steps + 1);

        Main().UndoButton->click();
        QCOMPARE(EditorState(P()), before);
        QCOMPARE(DeviceSettings(*rig_), deviceBefore);
    }

    // A notch the device places, told to the model from outside the editor:
    // shown, written to the journal with the texts the editor shows, and no
    // step of the history.
    void reportFromTheModelIsJournaledNotUndone()
    {
        StartWith(StartPreset());
        const std::size_t steps = P().History().UndoCount();
        QStringList lines;
        P().Journal().SetLineAdded([&lines](const QString &, const QByteArray &line) { lines << QString::fromUtf8(line); });
        DeviceReport report{};
        report.kind = DeviceReport::Kind::Notch;
        report.filter = 2;
        report.gainStep = 33;
        report.frequencyIndex = 500;
        report.widthIndex = 1;
        P().Model().SetNotch(report.filter, report.gainStep, report.frequencyIndex, report.widthIndex,
                             ChangeOrigin::DeviceReport);
        P().Journal().AddReport(report);
        QCOMPARE(Editor().HScroll20[2]->value(), 33);
        QCOMPARE(lines.size(), 1);
        const QStringList fields = lines.front().split(QLatin1Char(','));
        QCOMPARE(fields.mid(4), (QStringList{Editor().Text2[2]->text(), Editor().Text3[2]->text(),
                                             Editor().Text1[2]->text()}));
        QCOMPARE(fields.mid(4), (QStringList{FrequencyText(FreqTable[500]), QStringLiteral("1/20"), QStringLiteral("-12")}));
        QCOMPARE(P().History().UndoCount(), steps);
        QVERIFY(rig_->Writes().isEmpty());
    }

    // A held arrow that repeats, a press let go during the device's wait on
    // a paced line, and a dragged thumb: each one step, undone by one frame.
    void heldControlIsOneStep_data()
    {
        QTest::addColumn<int>("hold");
        QTest::newRow("arrow held until it repeats") << 0;
        QTest::newRow("arrow let go during the wait") << 1;
        QTest::newRow("thumb dragged") << 2;
    }
    void heldControlIsOneStep()
    {
        QFETCH(int, hold);
        StartWith(StartPreset());
        QAbstractSlider *control = hold == 2 ? static_cast<QAbstractSlider *>(Editor().Slider1[0])
                                             : static_cast<QAbstractSlider *>(Editor().HScroll20[5]);
        const int start = control->value();
        const std::size_t steps = P().History().UndoCount();
        rig_->port.ClearWrites();
        if (hold == 0) {
            const QPoint arrow = PointOn(*control, QStyle::SC_ScrollBarSubLine, false);
            QTest::mousePress(control, Qt::LeftButton, {}, arrow);
            QTest::qWait(800);
            QTest::mouseRelease(control, Qt::LeftButton, {}, arrow);
            QVERIFY(rig_->Writes().size() >= 2);
        } else if (hold == 1) {
            rig_->port.SetLinePace(WireByteSeconds);
            const QPoint arrow = PointOn(*control, QStyle::SC_ScrollBarSubLine, false);
            bool pressed = true;
            rig_->port.SetWaitHook([&] {
                if (pressed)
                    QTest::mouseRelease(control, Qt::LeftButton, {}, arrow);
                pressed = false;
            });
            QTest::mousePress(control, Qt::LeftButton, {}, arrow);
            rig_->port.SetWaitHook({});
            QTest::qWait(100);
            QCOMPARE(rig_->Writes().size(), 1);
        } else {
            const QPoint handle = PointOn(*control, QStyle::SC_SliderHandle, false);
            QVERIFY(!handle.isNull());
            QTest::mousePress(control, Qt::LeftButton, {}, handle);
            QPoint to = handle;
            for (int move = 0; move < 3; ++move) {
                to += QPoint(control->width() / 8, 0);
                QMouseEvent event(QEvent::MouseMove, to, control->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                                  Qt::NoModifier);
                QApplication::sendEvent(control, &event);
            }
            QTest::mouseRelease(control, Qt::LeftButton, {}, to);
            QVERIFY(rig_->Writes().size() >= 2);
        }
        QVERIFY(control->value() != start);
        QCOMPARE(P().History().UndoCount(), steps + 1);
        rig_->port.ClearWrites();
        Main().UndoButton->click();
        QCOMPARE(control->value(), start);
        QCOMPARE(rig_->Writes().size(), 1);
    }

    // Notches the device placed during a search stay when the steps before
    // it are undone; while it runs, neither the buttons nor the keys act.
    void reportDuringSearchIsNotUndone()
    {
        StartWith(StartPreset());
        Step(Editor().HScroll20[5], QAbstractSlider::SliderSingleStepAdd);
        rig_->dialogs.answers = {MessageAnswer::Yes};
        Editor().Command1[0]->click(); // row 1 of Left to 0 dB
        Editor().Check1[1]->setChecked(true);
        QVERIFY(!Main().UndoButton->isEnabled());
        QVERIFY(!Main().HoldButton->isEnabled());
        QTest::keyClick(Editor().Check1[1], Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(P().History().UndoCount(), std::size_t{2});
        for (const char *report : {"FE0001012C0214000000", "FE0000012C0214000000"}) {
            rig_->port.InjectBytes(QByteArray::fromHex(report), rig_->clock.NowSeconds());
            P().PollNotifications();
        }
        Editor().Check1[1]->setChecked(false);
        QVERIFY(Main().UndoButton->isEnabled());
        const QByteArray reported = ImageBytes(P().Values(), NotchOffset[0], 8);
        QCOMPARE(reported, QByteArray::fromHex("14012C0214012C02"));

        // The reset's row 1 is the device's now: nothing to take back there.
        rig_->port.ClearWrites();
        Main().UndoButton->click();
        QVERIFY(rig_->Writes().isEmpty());
        Main().UndoButton->click();
        QCOMPARE(rig_->Writes().size(), 1);
        QCOMPARE(ImageBytes(P().Values(), NotchOffset[0], 8), reported);
        // Row 5 of Left only.
        QCOMPARE(rig_->Writes().front().mid(2, 3), QByteArray::fromHex("070005"));
        QCOMPARE(Editor().HScroll20[5]->value(), 25);
        QCOMPARE(Editor().Text1Text(1), QStringLiteral("-25"));
    }

    void compareSwitchesBetweenHeldAndCurrent()
    {
        StartWith(StartPreset());
        QVERIFY(!Main().CompareButton->isEnabled());
        const QByteArray held = DeviceSettings(*rig_);
        Main().HoldButton->click();
        QVERIFY(Main().CompareButton->isEnabled());
        Step(Editor().HScroll20[5], QAbstractSlider::SliderSingleStepAdd);
        Step(Editor().HScroll30[7], QAbstractSlider::SliderSingleStepSub);
        const QByteArray edits = DeviceSettings(*rig_);
        const QStringList editsShown = EditorState(P());

        for (int round = 0; round < 2; ++round) {
            rig_->port.ClearWrites();
            Main().CompareButton->click();
            QCOMPARE(rig_->Writes().size(), 2);
            QCOMPARE(DeviceSettings(*rig_), held);
            QVERIFY(Main().CompareButton->isChecked());
            QVERIFY(Main().CompareStatus->isVisibleTo(&Main()));
            QCOMPARE(Main().CompareStatus->text(), QStringLiteral("Comparing: held settings"));

            rig_->port.ClearWrites();
            Main().CompareButton->click();
            QCOMPARE(rig_->Writes().size(), 2);
            QCOMPARE(DeviceSettings(*rig_), edits);
            QCOMPARE(EditorState(P()), editsShown);
            QVERIFY(!Main().CompareButton->isChecked());
            QVERIFY(!Main().CompareStatus->isVisibleTo(&Main()));
        }

        // An edit while the held settings are live keeps them, as a step of its own.
        Main().CompareButton->click();
        Step(Editor().HScroll20[6], QAbstractSlider::SliderSingleStepSub);
        QVERIFY(!Main().CompareButton->isChecked());
        QVERIFY(!Main().CompareStatus->isVisibleTo(&Main()));
        QCOMPARE(P().History().UndoCount(), std::size_t{4});
        Main().UndoButton->click();
        QCOMPARE(DeviceSettings(*rig_), held);
        Main().UndoButton->click();
        QCOMPARE(DeviceSettings(*rig_), edits);
        QCOMPARE(EditorState(P()), editsShown);
    }

    // Hold stays checked while settings are held and gives the time they were
    // taken, in its tool tip and the status bar; A/B says which side is live.
    void holdAndCompareShowTheirState()
    {
        StartWith(StartPreset());
        QToolButton *hold = Main().HoldButton;
        QToolButton *compare = Main().CompareButton;
        QVERIFY(!hold->isChecked());
        QVERIFY(!Main().HeldStatus->isVisibleTo(&Main()));
        QCOMPARE(compare->text(), QStringLiteral("A/B"));

        // A click while a control is held down holds nothing, and leaves the button as it was.
        P().History().HoldControl();
        hold->click();
        QVERIFY(!hold->isChecked());
        P().History().LetGoControl();

        const QTime before = QTime::currentTime().addMSecs(-1000);
        hold->click();
        const QTime after = QTime::currentTime();
        QVERIFY(hold->isChecked());
        const QString shown = Main().HeldStatus->text();
        QVERIFY2(shown.startsWith(QStringLiteral("Held ")), qPrintable(shown));
        const QTime heldAt = QTime::fromString(shown.mid(5), QStringLiteral("HH:mm:ss"));
        QVERIFY2(heldAt.isValid() && heldAt >= before && heldAt <= after, qPrintable(shown));
        QVERIFY(Main().HeldStatus->isVisibleTo(&Main()));
        QVERIFY2(hold->toolTip().startsWith(shown + QLatin1Char(':')), qPrintable(hold->toolTip()));
        QCOMPARE(compare->text(), QStringLiteral("A/B: current"));

        compare->click();
        QCOMPARE(compare->text(), QStringLiteral("A/B: held"));
        QVERIFY(hold->isChecked());
        compare->click();
        QCOMPARE(compare->text(), QStringLiteral("A/B: current"));
        // Held again: still checked (not toggled off), the settings of now.
        hold->click();
        QVERIFY(hold->isChecked());
        QVERIFY(Main().HeldStatus->isVisibleTo(&Main()));

        // Both texts fit the button.
        for (const char *text : {"A/B: current", "A/B: held"}) {
            compare->setText(QString::fromLatin1(text));
            QVERIFY2(compare->sizeHint().width() <= compare->width(), text);
        }
    }

    // Keys: a text box being typed in keeps them for its typing; otherwise
    // they act on the history wherever the focus is.
    void keysActOnTypingOrOnTheHistory()
    {
        StartWith(StartPreset());
        QLineEdit *box = Editor().Text1[6];
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, QStringLiteral("-1"));
        rig_->port.ClearWrites();
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box->text(), QStringLiteral("0"));
        QCOMPARE(P().History().UndoCount(), std::size_t{0});

        TypeInto(box, QStringLiteral("-12"));
        QCOMPARE(rig_->Writes().size(), 1);
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box->text(), QStringLiteral("0"));
        QCOMPARE(rig_->Writes().size(), 2);
        QTest::keyClick(Editor().HScroll20[6], Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(box->text(), QStringLiteral("-12"));
        QTest::keyClick(Main().MdiArea, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box->text(), QStringLiteral("0"));
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(box->text(), QStringLiteral("-12"));
        QCOMPARE(rig_->Writes().size(), 5);

        // A new change after an undo ends what could be redone.
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(Main().RedoButton->isEnabled());
        Step(Editor().HScroll20[7], QAbstractSlider::SliderSingleStepSub);
        QVERIFY(!Main().RedoButton->isEnabled());
    }

    void demoModeSendsNothing()
    {
        rig_ = std::make_unique<ProgramRig>();
        rig_->Start(); // no device: demo mode, the default answer
        Activate();
        QVERIFY(P().State().DemoMode);
        rig_->port.ClearWrites();
        const QStringList before = EditorState(P());
        Main().HoldButton->click();
        Step(Editor().HScroll20[11], QAbstractSlider::SliderSingleStepSub);
        const QStringList after = EditorState(P());
        Main().CompareButton->click();
        QCOMPARE(EditorState(P()), before);
        Main().CompareButton->click();
        QCOMPARE(EditorState(P()), after);
        Main().UndoButton->click();
        QCOMPARE(EditorState(P()), before);
        Main().RedoButton->click();
        QCOMPARE(EditorState(P()), after);
        QVERIFY(rig_->Writes().isEmpty());
    }

    // Without windows: a thousand steps kept, each taken back by its one
    // frame and made again, to the last byte on the device.
    void thousandStepsWithoutWindows()
    {
        LinkRig rig;
        rig.device.SetCurrentSettings(StartPreset());
        PresetModel model;
        PresetImageArray image{};
        std::copy_n(StartPreset().begin(), PresetBytes, image.begin());
        model.SetValues(image, false, QString(), QString(), ChangeOrigin::DeviceDump);
        ParameterSender sender(rig.link, model);
        ParameterEditing editing(model, sender);
        EditHistory history(model, sender);
        const PresetImageArray start = model.Image();
        constexpr int Steps = 1000;
        for (int i = 0; i < Steps; ++i) {
            const int f = 3 + i % 9;
            editing.EditNotchGain(f, (model.NotchGainStep(f) + 7) % 46);
        }
        const PresetImageArray end = model.Image();
        const sim::Preset deviceEnd = rig.device.CurrentSettings();
        QCOMPARE(history.UndoCount(), std::size_t(Steps));
        rig.port.ClearWrites();
        while (history.CanUndo())
            history.Undo();
        QCOMPARE(rig.Writes().size(), Steps);
        QVERIFY(model.Image() == start);
        QVERIFY(std::equal(start.begin(), start.begin() + PresetBytes, rig.device.CurrentSettings().begin()));
        while (history.CanRedo())
            history.Redo();
        QVERIFY(model.Image() == end);
        QVERIFY(rig.device.CurrentSettings() == deviceEnd);
    }
};

QTEST_MAIN(UndoTest)
#include "tst_undo.moc"
