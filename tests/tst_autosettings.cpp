// Editing the automatic-search settings through the real editor: the frames
// of each change, the labels, the automatic rows, the typed sensitivity and
// the linked channel.

#include "support/ProgramRig.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>
#include <QTest>

using namespace ksr;
using namespace ksr::test;

Q_DECLARE_METATYPE(ksr::SettingControl)

class AutoSettingsTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ProgramRig> rig_;
    FrmEq &Editor() { return rig_->program.Editor(); }
    AppState &State() { return rig_->program.State(); }
    const PresetValues &Values() const { return rig_->program.Values(); }

    void StartWith(const sim::Preset &preset)
    {
        rig_ = std::make_unique<ProgramRig>();
        rig_->device.SetCurrentSettings(preset);
        rig_->StartWithDevice();
    }

private slots:
    void init() { StartWith(FlatPresetWithAutoCounts(10, 3)); }
    void cleanup() { rig_.reset(); }

    void eachSettingSendsItsCommand_data()
    {
        QTest::addColumn<SettingControl>("control");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("value");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("shown");
        // Flat settings: count 10 Left / 3 Right, width 1/10, "Fixed", sensitivity step 6.
        QTest::newRow("count Left to 12") << SettingControl::HScroll1 << 0 << 11
                                          << QByteArray::fromHex("F05B0A010C02000600F7") << "12";
        QTest::newRow("count Left to 1") << SettingControl::HScroll1 << 0 << 0
                                         << QByteArray::fromHex("F05B0A010102000600F7") << "1";
        QTest::newRow("width Right 1/5") << SettingControl::HScroll2 << 1 << 3
                                         << QByteArray::fromHex("F05B0A020303000600F7") << "1/5";
        QTest::newRow("attenuation Left") << SettingControl::HScroll3 << 0 << 1
                                          << QByteArray::fromHex("F05B0A010A02010600F7") << "Variable";
        QTest::newRow("release Left") << SettingControl::HScroll4 << 0 << 1
                                      << QByteArray::fromHex("F05B31000000010000F7") << "Fast";
        QTest::newRow("search mode Right") << SettingControl::HScroll5 << 1 << 1
                                           << QByteArray::fromHex("F05B31010000000100F7") << "Fast";
        QTest::newRow("sensitivity Right top") << SettingControl::Slider1 << 1 << 15
                                               << QByteArray::fromHex("F05B0A020302000F00F7") << "16";
    }
    void eachSettingSendsItsCommand()
    {
        QFETCH(SettingControl, control);
        QFETCH(int, channel);
        QFETCH(int, value);
        QFETCH(QByteArray, frame);
        QFETCH(QString, shown);
        Editor().SetSettingValue(control, channel, value);
        QCOMPARE(rig_->Writes(), QList<QByteArray>{frame});
        QCOMPARE(Editor().SettingText(control, channel), shown);
    }

    void countDecidesWhichRowsAreEditable()
    {
        Editor().HScroll1[0]->setValue(11);
        for (int f = 0; f < 12; ++f)
            QVERIFY(!Editor().HScroll20[static_cast<std::size_t>(f)]->isEnabled());
        Editor().HScroll1[0]->setValue(0);
        QVERIFY(!Editor().Text2[0]->isEnabled());
        for (int f = 1; f < 12; ++f)
            QVERIFY(Editor().Text2[static_cast<std::size_t>(f)]->isEnabled());
        QCOMPARE(Values().ChannelSettings[SettingIndex(AutoCountSlot, 0)], std::int16_t{1});
        QCOMPARE(Values().PresetImage[76], std::uint8_t{1});
    }

    // Every control of an automatic row tells, on hovering, that the
    // channel's automatic count gives it to the search and how to free it,
    // and says so anew when the count changes; a row of the user's does not.
    // The editor's legend names the shade.
    void automaticRowsTellHowToFreeThem_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("count"); // as the scroll bar is set: shown count - 1
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("note"); // empty: the row is the user's
        const QString placed = QStringLiteral("Placed by the device's search: the %1 automatic count "
                                              "(\"Num notch automatic\") is %2, which gives notches 1 to %2 to the "
                                              "search.");
        QTest::newRow("Left, count 10, notch 10")
            << 0 << -1 << 9
            << placed.arg(QStringLiteral("Left")).arg(10) + QStringLiteral(" To set this notch yourself, lower the count "
                                                                           "to 9 or less.");
        QTest::newRow("Left, count 10, notch 11") << 0 << -1 << 10 << QString();
        QTest::newRow("Left, count raised to 12, notch 12")
            << 0 << 11 << 11
            << placed.arg(QStringLiteral("Left")).arg(12) + QStringLiteral(" To set this notch yourself, lower the count "
                                                                           "to 11 or less.");
        QTest::newRow("Right, count lowered to 2, notch 2")
            << 1 << 1 << 1
            << placed.arg(QStringLiteral("Right")).arg(2) + QStringLiteral(" To set this notch yourself, lower the count "
                                                                           "to 1 or less.");
        QTest::newRow("Right, count lowered to 2, notch 3") << 1 << 1 << 2 << QString();
        QTest::newRow("Right, count 1, notch 1")
            << 1 << 0 << 0
            << placed.arg(QStringLiteral("Right")).arg(1) + QStringLiteral(" Notch 1 is always the search's: the count "
                                                                           "is 1 at least.");
    }
    void automaticRowsTellHowToFreeThem()
    {
        QFETCH(int, channel);
        QFETCH(int, count);
        QFETCH(int, row);
        QFETCH(QString, note);
        if (count >= 0)
            Editor().HScroll1[static_cast<std::size_t>(channel)]->setValue(count);
        const int f = 12 * channel + row;
        for (QWidget *control : Editor().RowControls(f)) {
            QCOMPARE(control->isEnabled(), note.isEmpty());
            const QStringList lines = control->toolTip().split(QLatin1Char('\n'));
            QCOMPARE(lines.size(), note.isEmpty() ? 1 : 2);
            if (!note.isEmpty())
                QCOMPARE(lines.last(), note);
        }
        QCOMPARE(Editor().Legend->text(), QStringLiteral("shaded: placed by the device's search"));
        QVERIFY(Editor().Legend->isVisibleTo(&Editor()));
        QCOMPARE(Editor().LegendSwatch->palette().color(QPalette::Window),
                 Editor().Text2[0]->palette().color(QPalette::Disabled, QPalette::Base));
    }

    void widthGoesToTheAutomaticRowsOnly()
    {
        Editor().HScroll2[1]->setValue(3);
        for (int row = 0; row < 12; ++row) {
            const int f = 12 + row;
            QCOMPARE(Editor().Text3Text(f), QString::fromLatin1(row < 3 ? "1/5" : "1/10"));
            QCOMPARE(Editor().HScroll30[static_cast<std::size_t>(f)]->value(), row < 3 ? 3 : 2);
            QCOMPARE(Values().NotchWidthIndex[static_cast<std::size_t>(f)], row < 3 ? 3.0 : 2.0);
            QCOMPARE(int(Values().PresetImage[static_cast<std::size_t>(NotchOffset[static_cast<std::size_t>(f)] + 3)]),
                     row < 3 ? 3 : 2);
        }
        // Only the settings frame: no notch filter is sent for the rows.
        QCOMPARE(rig_->Writes().size(), 1);
    }

    void linkedSettingGoesToThePartnerSecond_data()
    {
        QTest::addColumn<SettingControl>("control");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("byte"); // the frame byte that carries the setting
        QTest::newRow("count from Left") << SettingControl::HScroll1 << 0 << 11 << 4;
        QTest::newRow("release from Right") << SettingControl::HScroll4 << 1 << 1 << 6;
        QTest::newRow("sensitivity from Left") << SettingControl::Slider1 << 0 << 2 << 7;
    }
    void linkedSettingGoesToThePartnerSecond()
    {
        QFETCH(SettingControl, control);
        QFETCH(int, channel);
        QFETCH(int, value);
        QFETCH(int, byte);
        rig_->program.Model().SetLinked(true, ChangeOrigin::Edit);
        Editor().SetSettingValue(control, channel, value);
        const QList<QByteArray> writes = rig_->Writes();
        QCOMPARE(writes.size(), 2);
        const bool modes = control == SettingControl::HScroll4;
        // The channel byte: 0/1 in the modes frame, 1/2 in the settings frame.
        QCOMPARE(int(writes[0][3]), channel + (modes ? 0 : 1));
        QCOMPARE(int(writes[1][3]), 1 - channel + (modes ? 0 : 1));
        QCOMPARE(Editor().SettingValue(control, 1 - channel), value);
        QCOMPARE(Editor().SettingText(control, 1 - channel), Editor().SettingText(control, channel));
        QCOMPARE(int(writes[0][byte]), control == SettingControl::HScroll1 ? value + 1 : value);
        QCOMPARE(writes[1][byte], writes[0][byte]);
    }

    // Left has 10 automatic rows, Right 3: a linked width change reaches
    // each channel's own automatic rows, and the editor, the model and the
    // image agree on every row's width.
    void linkedWidthReachesEachChannelsOwnAutomaticRows_data()
    {
        QTest::addColumn<int>("channel");
        QTest::newRow("from Right, fewer automatic rows") << 1;
        QTest::newRow("from Left, more automatic rows") << 0;
    }
    void linkedWidthReachesEachChannelsOwnAutomaticRows()
    {
        QFETCH(int, channel);
        rig_->program.Model().SetLinked(true, ChangeOrigin::Edit);
        Editor().HScroll2[static_cast<std::size_t>(channel)]->setValue(0);
        for (int f = 0; f < FilterCount; ++f) {
            const bool automatic = f % 12 < (f < 12 ? 10 : 3);
            const auto i = static_cast<std::size_t>(f);
            const int width = Values().PresetImage[static_cast<std::size_t>(NotchOffset[i] + 3)];
            QCOMPARE(width, automatic ? 0 : 2);
            QCOMPARE(Editor().HScroll30[i]->value(), width);
            QCOMPARE(Editor().Text3Text(f), WidthTextOf(width));
            QCOMPARE(Values().NotchWidthIndex[i], double(width));
        }
        QCOMPARE(rig_->Writes().size(), 2);
    }

    // The curve follows a change of the automatic width, edited or applied
    // with a preset: it equals one drawn afresh from the model.
    void curveFollowsTheAutomaticWidth_data()
    {
        QTest::addColumn<bool>("edited");
        QTest::newRow("width edited") << true;
        QTest::newRow("preset whose automatic rows hold another width") << false;
    }
    void curveFollowsTheAutomaticWidth()
    {
        QFETCH(bool, edited);
        sim::Preset preset = FlatPresetWithAutoCounts(10, 3);
        // Deep automatic notches, so that their width shows in the curve.
        for (int f = 0; f < FilterCount; ++f)
            preset[static_cast<std::size_t>(NotchOffset[static_cast<std::size_t>(f)])] = 5;
        if (!edited)
            preset[77] = 0; // Left's automatic width 1/70; its rows hold 1/10
        StartWith(preset);
        if (edited)
            Editor().HScroll2[1]->setValue(3);
        ResponseGraph fresh(Values());
        for (int f = 0; f < FilterCount; ++f)
            fresh.RedrawChannel(f);
        const int c = edited ? 1 : 0;
        for (int d = 0; d < FrequencyCount; ++d)
            QCOMPARE(rig_->program.Graph().ChannelResponseDb(d, c), fresh.ChannelResponseDb(d, c));
        QCOMPARE(rig_->program.Graph().CurvePoints(c), fresh.CurvePoints(c));
    }

    void typedSensitivity_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("position");
        QTest::newRow("above the range") << "20" << "16" << 15;
        QTest::newRow("zero") << "0" << "1" << 0;
        QTest::newRow("in the range") << "9" << "9" << 8;
    }
    void typedSensitivity()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, position);
        QLineEdit *box = Editor().Text4[0];
        box->clear();
        QTest::keyClicks(box, typed);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(box->text(), shown);
        QCOMPARE(Editor().Slider1[0]->value(), position);
        QCOMPARE(int(Values().PresetImage[79]), position);
        // Sent once: the slider follows without a send of its own.
        QCOMPARE(rig_->Writes().size(), 1);
        QCOMPARE(int(rig_->Writes().front()[7]), position);
    }

    void typedSensitivityLinked()
    {
        rig_->program.Model().SetLinked(true, ChangeOrigin::Edit);
        QLineEdit *box = Editor().Text4[1];
        box->clear();
        QTest::keyClicks(box, QStringLiteral("3"));
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(Editor().Text4[0]->text(), QStringLiteral("3"));
        QCOMPARE(Editor().Slider1[0]->value(), 2);
        const QList<QByteArray> writes = rig_->Writes();
        QCOMPARE(writes.size(), 2);
        QCOMPARE(int(writes[0][3]), 2);
        QCOMPARE(int(writes[1][3]), 1);
    }

    void wrongKeyInSensitivityWarns()
    {
        QLineEdit *box = Editor().Text4[0];
        box->clear();
        QTest::keyClicks(box, QStringLiteral("1-"));
        QCOMPARE(box->text(), QStringLiteral("1?"));
        QCOMPARE(rig_->dialogs.Texts(), QStringList{QStringLiteral("  Incorrect value")});
        QCOMPARE(rig_->dialogs.messages.front().title, QStringLiteral("Warning"));
        QVERIFY(rig_->Writes().isEmpty());
    }

    // A setting the model takes from elsewhere than an edit (here a device
    // read) is shown by the editor, and its handlers send nothing.
    void modelChangesAreShownButNotSent()
    {
        rig_->program.Model().SetSetting(SettingControl::HScroll3, 1, 1, ChangeOrigin::DevicePreset);
        rig_->program.Model().SetSetting(SettingControl::HScroll1, 1, 5, ChangeOrigin::DevicePreset);
        QVERIFY(rig_->Writes().isEmpty());
        QCOMPARE(Editor().HScroll3[1]->value(), 1);
        QCOMPARE(Editor().HScroll1[1]->value(), 5);
        QCOMPARE(Editor().Label6[1]->text(), QStringLiteral("Variable"));
        QCOMPARE(Editor().Label3[1]->text(), QStringLiteral("6"));
        QCOMPARE(Values().PresetImage[158], std::uint8_t{1});
        QCOMPARE(Values().ChannelSettings[SettingIndex(AutoCountSlot, 1)], std::int16_t{6});
    }
};

QTEST_MAIN(AutoSettingsTest)
#include "tst_autosettings.moc"
