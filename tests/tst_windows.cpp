// The editor, main and splash windows as built: controls, ranges, design
// texts, places, and the editor's control operations.

#include "editor/FrmEq.h"
#include "graph/GraphPicture.h"
#include "graph/ResponseGraph.h"
#include "core/State.h"
#include "shell/FrmSplash.h"
#include "shell/MdiFrmMain.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>
#include <set>

using namespace ksr;

Q_DECLARE_METATYPE(ksr::SettingControl)

namespace {

// One editor on its own graph, as the program builds it.
struct EditorRig {
    PresetValues values;
    ResponseGraph graph{values};
    FrmEq editor{graph};
};

QAbstractSlider *SliderNamed(const FrmEq &editor, const QString &name)
{
    return editor.findChild<QAbstractSlider *>(name);
}

// Calls the EditorControls setter named `setter`.
void CallValueSetter(EditorControls &controls, const QString &setter, int index, int value)
{
    if (setter == QLatin1String("SetHScroll20Value"))
        controls.SetHScroll20Value(index, value);
    else if (setter == QLatin1String("SetHScroll30Value"))
        controls.SetHScroll30Value(index, value);
    else if (setter == QLatin1String("SetHScroll6Value"))
        controls.SetHScroll6Value(index, value);
    else
        QFAIL("unknown setter");
}

int CallValueGetter(const EditorControls &controls, const QString &setter, int index)
{
    if (setter == QLatin1String("SetHScroll20Value"))
        return controls.HScroll20Value(index);
    if (setter == QLatin1String("SetHScroll30Value"))
        return controls.HScroll30Value(index);
    return controls.HScroll6Value(index);
}

} // namespace

class WindowsTest : public QObject {
    Q_OBJECT
private slots:
    void editorIsTheParametersControlWindow()
    {
        EditorRig rig;
        QCOMPARE(rig.editor.windowTitle(), QStringLiteral("Parameters Control"));
        QCOMPARE(rig.editor.size(), QSize(15735 / 15, 8445 / 15));
        QCOMPARE(rig.editor.ChannelFrame[0]->title(), QStringLiteral("Channel Left"));
        QCOMPARE(rig.editor.ChannelFrame[1]->title(), QStringLiteral("Channel Right"));
    }

    void everyRowHasItsSixControls()
    {
        EditorRig rig;
        const FrmEq &eq = rig.editor;
        for (int f = 0; f < FilterCount; ++f) {
            const auto i = static_cast<std::size_t>(f);
            const QGroupBox *frame = eq.ManualFrame[static_cast<std::size_t>(f / 12)];
            const std::array<QWidget *, 6> row = {eq.Text1[i],    eq.Text2[i],     eq.Text3[i],
                                                  eq.HScroll6[i], eq.HScroll20[i], eq.HScroll30[i]};
            for (QWidget *control : row) {
                QVERIFY(control);
                QCOMPARE(control->parentWidget(), frame);
            }
            QCOMPARE(eq.findChild<QScrollBar *>(QStringLiteral("HScroll20_%1").arg(f)), eq.HScroll20[i]);
            QCOMPARE(eq.findChild<QLineEdit *>(QStringLiteral("Text2_%1").arg(f)), eq.Text2[i]);
            QCOMPARE(eq.Text2[i]->text(), QStringLiteral("20000"));
            QCOMPARE(eq.Text1[i]->text(), QStringLiteral("-45"));
            QCOMPARE(eq.Text3[i]->text(), QStringLiteral("1/70"));
            QVERIFY(eq.Text3[i]->isReadOnly());
            QVERIFY(!eq.Text1[i]->isReadOnly());
            QVERIFY(!eq.Text2[i]->isReadOnly());
            for (const QLineEdit *box : {eq.Text1[i], eq.Text2[i], eq.Text3[i]})
                QCOMPARE(box->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        }
    }

    void rowScrollBarsStepOneAtATime_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("maximum");
        QTest::newRow("frequency") << QStringLiteral("HScroll6") << 729;
        QTest::newRow("gain") << QStringLiteral("HScroll20") << 45;
        QTest::newRow("width") << QStringLiteral("HScroll30") << 3;
    }
    void rowScrollBarsStepOneAtATime()
    {
        QFETCH(QString, name);
        QFETCH(int, maximum);
        EditorRig rig;
        for (int f = 0; f < FilterCount; ++f) {
            const auto *bar = rig.editor.findChild<QScrollBar *>(QStringLiteral("%1_%2").arg(name).arg(f));
            QVERIFY(bar);
            QCOMPARE(bar->orientation(), Qt::Horizontal);
            QCOMPARE(bar->minimum(), 0);
            QCOMPARE(bar->maximum(), maximum);
            QCOMPARE(bar->singleStep(), 1);
            QCOMPARE(bar->pageStep(), 1);
        }
    }

    // Places in pixels within the parent, from the twips of the design.
    void controlsStandWhereDesigned_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("gain bar, Left row 1") << "HScroll20_0" << "ManualFrame_0" << QRect(112, 16, 25, 17);
        QTest::newRow("frequency box, Right row 12") << "Text2_23" << "ManualFrame_1" << QRect(8, 192, 41, 16);
        QTest::newRow("gain box, Right row 1") << "Text1_12" << "ManualFrame_1" << QRect(80, 16, 33, 16);
        QTest::newRow("frequency bar, Left row 12") << "HScroll6_11" << "ManualFrame_0" << QRect(48, 192, 25, 17);
        QTest::newRow("width box, Right row 6") << "Text3_17" << "ManualFrame_1" << QRect(144, 96, 33, 16);
        QTest::newRow("width bar, Right row 9") << "HScroll30_20" << "ManualFrame_1" << QRect(176, 144, 25, 17);
        QTest::newRow("Left frame") << "ChannelFrame_0" << "FrmEq" << QRect(0, 56, 1049, 249);
        QTest::newRow("Right frame") << "ChannelFrame_1" << "FrmEq" << QRect(0, 312, 1049, 249);
        QTest::newRow("graph frame") << "GraphFrame_1" << "ChannelFrame_1" << QRect(8, 16, 601, 225);
        QTest::newRow("manual frame") << "ManualFrame_0" << "ChannelFrame_0" << QRect(616, 16, 209, 225);
        QTest::newRow("settings frame") << "AutoFrame_1" << "ChannelFrame_1" << QRect(832, 16, 209, 169);
        QTest::newRow("reset frame") << "ResetFrame_0" << "ChannelFrame_0" << QRect(832, 184, 209, 57);
        QTest::newRow("picture") << "Picture1_1" << "GraphFrame_1" << QRect(8, 16, 576, 192);
        QTest::newRow("manual reset, Left") << "Command1_2" << "ResetFrame_0" << QRect(8, 16, 89, 33);
        QTest::newRow("automatic reset, Right") << "Command1_1" << "ResetFrame_1" << QRect(112, 16, 89, 33);
        QTest::newRow("count bar") << "HScroll1_0" << "AutoFrame_0" << QRect(112, 16, 33, 13);
        QTest::newRow("search mode bar") << "HScroll5_1" << "AutoFrame_1" << QRect(112, 112, 33, 13);
        QTest::newRow("sensitivity slider") << "Slider1_0" << "AutoFrame_0" << QRect(64, 136, 97, 25);
        QTest::newRow("attenuation label") << "Label6_0" << "AutoFrame_0" << QRect(152, 64, 49, 13);
        QTest::newRow("link box") << "Check2" << "TopBand" << QRect(584, 16, 96, 33);
        QTest::newRow("search box R") << "Check1_2" << "TopBand" << QRect(928, 16, 121, 33);
        QTest::newRow("preset name") << "Label8" << "TopBand" << QRect(8, 32, 185, 20);
    }
    void controlsStandWhereDesigned()
    {
        QFETCH(QString, name);
        QFETCH(QString, parent);
        QFETCH(QRect, geometry);
        EditorRig rig;
        const auto *control = rig.editor.findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->parentWidget()->objectName(), parent);
        QCOMPARE(control->geometry(), geometry);
    }

    void frameCaptionsNameTheColumnsAndSettings()
    {
        EditorRig rig;
        const FrmEq &eq = rig.editor;
        const QStringList columns = {"Freq", "Gain", "Q"};
        const QStringList settings = {"Num notch automatic", "Q notch automatic", "Attenuation notch",
                                      "Release notch",       "Mode search",       "Sensitivity "};
        for (std::size_t c = 0; c < 2; ++c) {
            for (qsizetype k = 0; k < columns.size(); ++k) {
                const QLabel *label = eq.Label170[3 * c + static_cast<std::size_t>(k)];
                QCOMPARE(label->text(), columns[k]);
                QCOMPARE(label->parentWidget(), eq.ManualFrame[c]);
            }
            for (qsizetype k = 0; k < settings.size(); ++k) {
                const QLabel *label = eq.Label2[6 * c + static_cast<std::size_t>(k)];
                QCOMPARE(label->text(), settings[k]);
                QCOMPARE(label->parentWidget(), eq.AutoFrame[c]);
            }
        }
    }

    void graphScalesCarryTheirTexts()
    {
        EditorRig rig;
        const FrmEq &eq = rig.editor;
        const QStringList levels = {"+10", " 0", "-10", "-20", "-30", "-40", "-50"};
        const QString frequencies = QStringLiteral("20Hz") + QString(52, ' ') + "100Hz" + QString(84, ' ') +
                                    "1KHz" + QString(84, ' ') + "10KHz";
        for (std::size_t c = 0; c < 2; ++c) {
            QCOMPARE(eq.Picture1[c]->Channel(), int(c));
            for (qsizetype k = 0; k < levels.size(); ++k)
                QCOMPARE(eq.Label4[8 * c + static_cast<std::size_t>(k)]->text(), levels[k]);
            QCOMPARE(eq.Label4[8 * c + 7]->text(), frequencies);
            QCOMPARE(eq.Label4[8 * c + 7]->parentWidget(), eq.GraphFrame[c]);
        }
        // Levels run down the right of the picture.
        QCOMPARE(eq.Label4[0]->pos(), QPoint(584, 16));
        QCOMPARE(eq.Label4[6]->pos(), QPoint(584, 200));
    }

    void settingControlsStartWithTheirDesignValues_data()
    {
        QTest::addColumn<SettingControl>("control");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("pageStep");
        QTest::addColumn<QString>("text");
        QTest::newRow("count") << SettingControl::HScroll1 << "HScroll1" << 11 << 1 << "11";
        QTest::newRow("width") << SettingControl::HScroll2 << "HScroll2" << 3 << 1 << "1/70";
        QTest::newRow("attenuation") << SettingControl::HScroll3 << "HScroll3" << 1 << 1 << "Variable";
        QTest::newRow("release") << SettingControl::HScroll4 << "HScroll4" << 1 << 1 << "Slow";
        QTest::newRow("search mode") << SettingControl::HScroll5 << "HScroll5" << 1 << 1 << "Sharp";
        QTest::newRow("sensitivity") << SettingControl::Slider1 << "Slider1" << 15 << 5 << "Text4";
    }
    void settingControlsStartWithTheirDesignValues()
    {
        QFETCH(SettingControl, control);
        QFETCH(QString, name);
        QFETCH(int, maximum);
        QFETCH(int, pageStep);
        QFETCH(QString, text);
        EditorRig rig;
        for (int c = 0; c < 2; ++c) {
            const QAbstractSlider *slider = SliderNamed(rig.editor, QStringLiteral("%1_%2").arg(name).arg(c));
            QVERIFY(slider);
            QCOMPARE(slider->parentWidget(), rig.editor.AutoFrame[static_cast<std::size_t>(c)]);
            QCOMPARE(slider->orientation(), Qt::Horizontal);
            QCOMPARE(slider->minimum(), 0);
            QCOMPARE(slider->maximum(), maximum);
            QCOMPARE(slider->singleStep(), 1);
            QCOMPARE(slider->pageStep(), pageStep);
            QCOMPARE(rig.editor.SettingText(control, c), text);
        }
    }

    void boxesShowOneAmpersandAndHaveNoMnemonic_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shown");
        QTest::newRow("search L&R") << "Check1_0" << "Search Feedback L&&R" << "Search Feedback L&R";
        QTest::newRow("search L") << "Check1_1" << "Search Feedback L" << "Search Feedback L";
        QTest::newRow("search R") << "Check1_2" << "Search Feedback R" << "Search Feedback R";
        QTest::newRow("link") << "Check2" << "Link channel Left && Right" << "Link channel Left & Right";
    }
    void boxesShowOneAmpersandAndHaveNoMnemonic()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, shown);
        EditorRig rig;
        const auto *box = rig.editor.findChild<QCheckBox *>(name);
        QVERIFY(box);
        QCOMPARE(box->text(), caption);
        QCOMPARE(QString(caption).replace(QStringLiteral("&&"), QStringLiteral("&")), shown);
        QVERIFY(box->shortcut().isEmpty());
        QVERIFY(!box->isChecked());
    }

    void resetButtonsAndPresetLabels()
    {
        EditorRig rig;
        const FrmEq &eq = rig.editor;
        QCOMPARE(eq.Command1[0]->text(), QStringLiteral("Reset Notch Automatic"));
        QCOMPARE(eq.Command1[1]->text(), QStringLiteral("Reset Notch Automatic"));
        QCOMPARE(eq.Command1[2]->text(), QStringLiteral("Reset Notch Manual"));
        QCOMPARE(eq.Command1[3]->text(), QStringLiteral("Reset Notch Manual"));
        QCOMPARE(eq.Command1[0]->parentWidget(), eq.ResetFrame[0]);
        QCOMPARE(eq.Command1[3]->parentWidget(), eq.ResetFrame[1]);
        QCOMPARE(eq.Label7->text(), QStringLiteral("Preset loaded from Device"));
        QCOMPARE(eq.Label8->text(), QStringLiteral("program"));
        QVERIFY(eq.Label7->font().bold());
        QVERIFY(eq.Label8->font().bold());
    }

    void rowValueSettersRaiseValueChanged_data()
    {
        QTest::addColumn<QString>("setter");
        QTest::addColumn<int>("filter");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("name");
        QTest::newRow("gain, Left row 4") << "SetHScroll20Value" << 3 << 17 << "HScroll20_3";
        QTest::newRow("width, Right row 3") << "SetHScroll30Value" << 14 << 2 << "HScroll30_14";
        QTest::newRow("frequency, Right row 12") << "SetHScroll6Value" << 23 << 400 << "HScroll6_23";
        QTest::newRow("frequency, Left row 1") << "SetHScroll6Value" << 0 << 729 << "HScroll6_0";
    }
    void rowValueSettersRaiseValueChanged()
    {
        QFETCH(QString, setter);
        QFETCH(int, filter);
        QFETCH(int, value);
        QFETCH(QString, name);
        EditorRig rig;
        QSignalSpy changed(SliderNamed(rig.editor, name), &QAbstractSlider::valueChanged);
        CallValueSetter(rig.editor, setter, filter, value);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toInt(), value);
        QCOMPARE(CallValueGetter(rig.editor, setter, filter), value);
    }

    void settingSettersRaiseValueChangedAndShowText_data()
    {
        QTest::addColumn<SettingControl>("control");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("slider");
        QTest::addColumn<QString>("display");
        QTest::newRow("count Right") << SettingControl::HScroll1 << 1 << 5 << "HScroll1_1" << "Label3_1";
        QTest::newRow("width Left") << SettingControl::HScroll2 << 0 << 3 << "HScroll2_0" << "Label5_0";
        QTest::newRow("attenuation Right") << SettingControl::HScroll3 << 1 << 1 << "HScroll3_1" << "Label6_1";
        QTest::newRow("release Left") << SettingControl::HScroll4 << 0 << 1 << "HScroll4_0" << "Label1_0";
        QTest::newRow("search mode Right") << SettingControl::HScroll5 << 1 << 1 << "HScroll5_1" << "Label9_1";
        QTest::newRow("sensitivity Left") << SettingControl::Slider1 << 0 << 9 << "Slider1_0" << "Text4_0";
    }
    void settingSettersRaiseValueChangedAndShowText()
    {
        QFETCH(SettingControl, control);
        QFETCH(int, channel);
        QFETCH(int, value);
        QFETCH(QString, slider);
        QFETCH(QString, display);
        EditorRig rig;
        QSignalSpy changed(SliderNamed(rig.editor, slider), &QAbstractSlider::valueChanged);
        rig.editor.SetSettingValue(control, channel, value);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(rig.editor.SettingValue(control, channel), value);
        QCOMPARE(rig.editor.SettingValue(control, 1 - channel), 0);

        rig.editor.SetSettingText(control, channel, QStringLiteral("shown"));
        const QWidget *shownIn = rig.editor.findChild<QWidget *>(display);
        QVERIFY(shownIn);
        const auto *label = qobject_cast<const QLabel *>(shownIn);
        const auto *box = qobject_cast<const QLineEdit *>(shownIn);
        QCOMPARE(label ? label->text() : box->text(), QStringLiteral("shown"));
        QCOMPARE(rig.editor.SettingText(control, channel), QStringLiteral("shown"));
        QVERIFY(rig.editor.SettingText(control, 1 - channel) != QStringLiteral("shown"));
    }

    void textSettersWriteTheirBox_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("name");
        QTest::newRow("gain") << 1 << 5 << "Text1_5";
        QTest::newRow("frequency") << 2 << 18 << "Text2_18";
        QTest::newRow("width") << 3 << 23 << "Text3_23";
    }
    void textSettersWriteTheirBox()
    {
        QFETCH(int, which);
        QFETCH(int, filter);
        QFETCH(QString, name);
        EditorRig rig;
        FrmEq &eq = rig.editor;
        const auto textOf = [&eq, which](int f) {
            return which == 1 ? eq.Text1Text(f) : which == 2 ? eq.Text2Text(f) : eq.Text3Text(f);
        };
        const QString text = QStringLiteral("1003");
        if (which == 1)
            eq.SetText1Text(filter, text);
        else if (which == 2)
            eq.SetText2Text(filter, text);
        else
            eq.SetText3Text(filter, text);
        QCOMPARE(eq.findChild<QLineEdit *>(name)->text(), text);
        QCOMPARE(textOf(filter), text);
        // The partner row keeps its design text.
        QVERIFY(textOf((filter + 12) % 24) != text);
    }

    void rowEnabledActsOnTheRowsSixControlsOnly_data()
    {
        QTest::addColumn<int>("filter");
        QTest::newRow("Left row 1") << 0;
        QTest::newRow("Right row 2") << 13;
        QTest::newRow("Right row 12") << 23;
        // A programming error changes nothing and throws nothing.
        QTest::newRow("no such row") << FilterCount;
        QTest::newRow("negative index") << -1;
    }
    void rowEnabledActsOnTheRowsSixControlsOnly()
    {
        QFETCH(int, filter);
        EditorRig rig;
        rig.editor.SetRowEnabled(filter, false);
        std::set<QString> disabled;
        for (const QWidget *widget : rig.editor.findChildren<QWidget *>()) {
            if (!widget->isEnabled() && !widget->objectName().isEmpty() &&
                !widget->objectName().startsWith(QLatin1String("qt_")))
                disabled.insert(widget->objectName());
        }
        std::set<QString> row;
        if (filter >= 0 && filter < FilterCount)
            row = {QStringLiteral("HScroll20_%1").arg(filter), QStringLiteral("Text1_%1").arg(filter),
                   QStringLiteral("HScroll30_%1").arg(filter), QStringLiteral("Text3_%1").arg(filter),
                   QStringLiteral("Text2_%1").arg(filter),     QStringLiteral("HScroll6_%1").arg(filter)};
        QCOMPARE(disabled, row);
        rig.editor.SetHScroll20Value(filter, 3);
        QCOMPARE(rig.editor.HScroll20Value(filter), row.empty() ? 0 : 3);

        rig.editor.SetRowEnabled(filter, true);
        for (const QString &name : row)
            QVERIFY(rig.editor.findChild<QWidget *>(name)->isEnabled());
    }

    void linkBoxSetterChecksTheBox()
    {
        EditorRig rig;
        QSignalSpy toggled(rig.editor.Check2, &QCheckBox::toggled);
        rig.editor.SetCheck2Value(true);
        QVERIFY(rig.editor.Check2Value());
        QVERIFY(rig.editor.Check2->isChecked());
        rig.editor.SetCheck2Value(false);
        QVERIFY(!rig.editor.Check2Value());
        QCOMPARE(toggled.count(), 2);
    }

    void presetLabelSettersChangeTheLabels()
    {
        EditorRig rig;
        rig.editor.SetLabel7Caption(QStringLiteral("Preset loaded from PC"));
        rig.editor.SetLabel8Caption(QStringLiteral("Hall"));
        QCOMPARE(rig.editor.Label7->text(), QStringLiteral("Preset loaded from PC"));
        QCOMPARE(rig.editor.Label8->text(), QStringLiteral("Hall"));
    }

    void editorRefusesToClose()
    {
        EditorRig rig;
        rig.editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.editor));
        QVERIFY(!rig.editor.close());
        QVERIFY(rig.editor.isVisible());
    }

    void editorSubWindowCannotBeClosed()
    {
        PresetValues values;
        ResponseGraph graph(values);
        MdiFrmMain main;
        auto *editor = new FrmEq(graph);
        QCOMPARE(main.AddEditor(editor), editor);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));

        QMdiSubWindow *window = main.EditorWindow;
        QVERIFY(window);
        const auto *scroll = qobject_cast<QScrollArea *>(window->widget());
        QVERIFY(scroll);
        QCOMPARE(scroll->widget(), editor);
        QCOMPARE(main.MdiArea->subWindowList(), QList<QMdiSubWindow *>{window});
        QVERIFY(!window->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        // A system menu would bring its close button and Close entry back.
        QVERIFY(!window->windowFlags().testFlag(Qt::WindowSystemMenuHint));
        QCOMPARE(editor->size(), QSize(1049, 563));

        QVERIFY(!window->close());
        QVERIFY(window->isVisible());
        QVERIFY(editor->isVisible());
        main.MdiArea->closeAllSubWindows();
        QCOMPARE(main.MdiArea->subWindowList().size(), 1);
        QVERIFY(editor->isVisible());
    }

    // The editor keeps its design size; a main window too small for it
    // scrolls it, and every control can be brought into view.
    void editorScrollsWhereTheWindowIsSmall_data()
    {
        QTest::addColumn<QSize>("mainSize");
        QTest::addColumn<bool>("scrolls");
        QTest::newRow("1366x768 at 1.25") << QSize(1093, 560) << true;
        QTest::newRow("room for it all") << QSize(1300, 800) << false;
    }
    void editorScrollsWhereTheWindowIsSmall()
    {
        QFETCH(QSize, mainSize);
        QFETCH(bool, scrolls);
        PresetValues values;
        ResponseGraph graph(values);
        MdiFrmMain main;
        auto *editor = main.AddEditor(new FrmEq(graph));
        main.resize(mainSize);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        auto *scroll = qobject_cast<QScrollArea *>(main.EditorWindow->widget());
        QVERIFY(scroll);
        QCOMPARE(editor->size(), QSize(1049, 563));
        QVERIFY(main.MdiArea->viewport()->rect().contains(main.EditorWindow->geometry()));
        QCOMPARE(scroll->verticalScrollBar()->maximum() > 0 || scroll->horizontalScrollBar()->maximum() > 0, scrolls);
        // The last reset button of the Right channel, bottom right.
        QWidget *last = editor->Command1[3];
        scroll->ensureWidgetVisible(last, 0, 0);
        const QRect shown(last->mapTo(scroll->viewport(), QPoint(0, 0)), last->size());
        QVERIFY(scroll->viewport()->rect().contains(shown));
    }

    void mainWindowButtons_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<int>("left");
        QTest::newRow("load") << 0 << "Load Preset from PC" << 8;
        QTest::newRow("save") << 1 << "Save Preset to PC" << 56;
        QTest::newRow("store") << 2 << "Store Preset to device" << 104;
        QTest::newRow("read") << 3 << "Read Preset from device" << 152;
        QTest::newRow("copy to Right") << 7 << "Copy Left to Right" << 200;
        QTest::newRow("copy to Left") << 8 << "Copy Right to Left" << 248;
    }
    void mainWindowButtons()
    {
        QFETCH(int, index);
        QFETCH(QString, toolTip);
        QFETCH(int, left);
        MdiFrmMain main;
        const QToolButton *button = main.Command1[static_cast<std::size_t>(index)];
        QVERIFY(button);
        QCOMPARE(button->objectName(), QStringLiteral("Command1_%1").arg(index));
        QCOMPARE(button->parentWidget(), main.Toolbar1);
        QCOMPARE(button->toolTip(), toolTip);
        QVERIFY(button->text().isEmpty());
        QVERIFY(!button->icon().isNull());
        QCOMPARE(button->x(), left);
        QCOMPARE(button->size(), QSize(41, 41));
    }

    void mainWindowHasNoButtonsFourToSix()
    {
        MdiFrmMain main;
        for (std::size_t k = 4; k <= 6; ++k)
            QVERIFY(!main.Command1[k]);
        QCOMPARE(main.Toolbar1->findChildren<QToolButton *>().size(), 15);
        // The edit history's buttons follow the six, disabled until there is
        // something to do; then the journal's.
        const std::array<QToolButton *, 5> added = {main.UndoButton, main.RedoButton, main.HoldButton,
                                                     main.CompareButton, main.JournalButton};
        const QStringList names = {"Undo", "Redo", "Hold for compare", "Compare", "Ring-out journal"};
        for (std::size_t k = 0; k < added.size(); ++k) {
            QCOMPARE(added[k]->accessibleName(), names[static_cast<qsizetype>(k)]);
            QCOMPARE(added[k]->x(), 296 + 48 * static_cast<int>(k));
            QCOMPARE(added[k]->isEnabled(), added[k] == main.JournalButton);
        }
        // The librarian's, wider for their text, disabled until a device is found.
        QCOMPARE(main.BackupButton->accessibleName(), QStringLiteral("Back up device"));
        QCOMPARE(main.RestoreButton->accessibleName(), QStringLiteral("Restore device"));
        QCOMPARE(main.BackupButton->geometry(), QRect(536, 4, 64, 41));
        QCOMPARE(main.RestoreButton->geometry(), QRect(607, 4, 64, 41));
        QVERIFY(!main.BackupButton->isEnabled() && !main.RestoreButton->isEnabled());
        // Then the View menu's.
        QCOMPARE(main.ViewButton->accessibleName(), QStringLiteral("View"));
        QCOMPARE(main.ViewButton->geometry(), QRect(678, 4, 48, 41));
        QCOMPARE(main.centralWidget(), main.MdiArea);
        QVERIFY(!main.Timer3->isActive());
    }

    void mainWindowClosesOnlyWhenAllowed_data()
    {
        QTest::addColumn<int>("hook"); // 0 unset, 1 allows, 2 refuses
        QTest::addColumn<bool>("closes");
        QTest::newRow("no question") << 0 << true;
        QTest::newRow("answered Yes") << 1 << true;
        QTest::newRow("answered No") << 2 << false;
    }
    void mainWindowClosesOnlyWhenAllowed()
    {
        QFETCH(int, hook);
        QFETCH(bool, closes);
        MdiFrmMain main;
        int asked = 0;
        if (hook != 0)
            main.closeRequested = [&asked, hook] {
                ++asked;
                return hook == 1;
            };
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QCOMPARE(main.close(), closes);
        QCOMPARE(main.isVisible(), !closes);
        QCOMPARE(asked, hook == 0 ? 0 : 1);
    }

    void splashStartsWithTheSearchCaptionHidden()
    {
        FrmSplash splash;
        QCOMPARE(splash.Label1->text(), QStringLiteral("Searching COM: please wait "));
        QVERIFY(splash.Label1->isHidden());
        QCOMPARE(splash.Label1->parentWidget(), &splash);
        QVERIFY(!splash.Timer1->isActive());
        QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(splash.rect().contains(splash.Label1->geometry()));
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        QVERIFY(!splash.Label1->isVisible());
    }
};

QTEST_MAIN(WindowsTest)
#include "tst_windows.moc"
