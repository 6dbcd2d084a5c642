// Editing the notch filter rows through the real editor: scroll bars, typed
// gains and frequencies, the warnings, and the linked partner edit.

#include "support/ProgramRig.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

using namespace ksr;
using namespace ksr::test;

namespace {

// Device settings with few automatic filters, so most rows are editable:
// AutoCount 1 on both channels; Right filter 3 at -20 dB, 247.9 Hz, 1/10.
sim::Preset EditablePreset()
{
    sim::Preset p = FlatPresetWithAutoCounts(1, 1);
    p[120] = 25;
    return p;
}

void TypeInto(QLineEdit *box, const QString &keys)
{
    box->clear();
    QTest::keyClicks(box, keys);
    QTest::keyClick(box, Qt::Key_Return);
}

} // namespace

class NotchEditingTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ProgramRig> rig_;
    FrmEq &Editor() { return rig_->program.Editor(); }
    AppState &State() { return rig_->program.State(); }
    const PresetValues &Values() const { return rig_->program.Values(); }

private slots:
    void init()
    {
        rig_ = std::make_unique<ProgramRig>();
        rig_->device.SetCurrentSettings(EditablePreset());
        rig_->StartWithDevice();
    }
    void cleanup() { rig_.reset(); }

    void gainStepSendsTheFilter()
    {
        QSignalSpy redrawn(&rig_->program.Graph(), &ResponseGraph::ChannelRedrawn);
        Editor().HScroll20[15]->setValue(45);
        QCOMPARE(rig_->Writes(), QList<QByteArray>{QByteArray::fromHex("F05B070103010A022DF7")});
        QCOMPARE(ImageBytes(Values(), 120, 4), QByteArray::fromHex("2D010A02"));
        QCOMPARE(Editor().Text1Text(15), QStringLiteral("0"));
        QCOMPARE(Values().NotchGainDb[15], 0.0);
        QCOMPARE(redrawn.size(), 1);
        QCOMPARE(redrawn.front().front().toInt(), 1);
    }

    void everyScrollBarSendsItsRow_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<int>("bar"); // 0 frequency, 1 gain, 2 width
        QTest::addColumn<int>("value");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QString>("text");
        QTest::newRow("frequency Left 5") << 5 << 0 << 413 << QByteArray::fromHex("F05B070005019D022DF7") << "1003";
        QTest::newRow("frequency Right 11") << 23 << 0 << 729 << QByteArray::fromHex("F05B07010B02D9022DF7") << "20000";
        QTest::newRow("gain Left 1") << 1 << 1 << 0 << QByteArray::fromHex("F05B070001010A0200F7") << "-45";
        QTest::newRow("width Left 7") << 7 << 2 << 3 << QByteArray::fromHex("F05B070007010A032DF7") << "1/5";
        QTest::newRow("width Right 1") << 13 << 2 << 0 << QByteArray::fromHex("F05B070101010A002DF7") << "1/70";
    }
    void everyScrollBarSendsItsRow()
    {
        QFETCH(int, filter);
        QFETCH(int, bar);
        QFETCH(int, value);
        QFETCH(QByteArray, frame);
        QFETCH(QString, text);
        const auto f = static_cast<std::size_t>(filter);
        QScrollBar *scroll = bar == 0 ? Editor().HScroll6[f] : bar == 1 ? Editor().HScroll20[f] : Editor().HScroll30[f];
        // A drag of the thumb is handled as a step is.
        scroll->setSliderDown(true);
        scroll->setSliderPosition(value);
        scroll->setSliderDown(false);
        QCOMPARE(rig_->Writes(), QList<QByteArray>{frame});
        const QString shown = bar == 0 ? Editor().Text2Text(filter) : bar == 1 ? Editor().Text1Text(filter)
                                                                              : Editor().Text3Text(filter);
        QCOMPARE(shown, text);
    }

    void typedValuesSnapToTheGrid_data()
    {
        QTest::addColumn<bool>("gainBox");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("position");
        QTest::newRow("gain above 0") << true << "5" << "0" << 45;
        QTest::newRow("gain below -45") << true << "-60" << "-45" << 0;
        QTest::newRow("gain in range") << true << "-12" << "-12" << 33;
        QTest::newRow("frequency above the grid") << false << "25000" << "20000" << 729;
        QTest::newRow("frequency below the grid") << false << "10" << "20" << 0;
        QTest::newRow("frequency between two") << false << "1008" << "1012" << 414;
        QTest::newRow("frequency nearer the lower") << false << "1006" << "1003" << 413;
    }
    void typedValuesSnapToTheGrid()
    {
        QFETCH(bool, gainBox);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, position);
        const int f = 4;
        TypeInto(gainBox ? Editor().Text1[f] : Editor().Text2[f], typed);
        QCOMPARE(gainBox ? Editor().Text1Text(f) : Editor().Text2Text(f), shown);
        QCOMPARE((gainBox ? Editor().HScroll20[f] : Editor().HScroll6[f])->value(), position);
        QCOMPARE(rig_->Writes().size(), 1);
        QVERIFY(rig_->dialogs.messages.isEmpty());
        const auto o = static_cast<std::size_t>(NotchOffset[f]);
        if (gainBox)
            QCOMPARE(int(Values().PresetImage[o]), position);
        else
            QCOMPARE(Values().PresetImage[o + 1] * 256 + Values().PresetImage[o + 2], position);
    }

    void rejectedKeysWarnAndInsertAQuestionMark_data()
    {
        QTest::addColumn<bool>("gainBox");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QString>("left");
        QTest::newRow("decimal point in gain") << true << "-1.5" << "  Incorrect value" << "-1?5";
        QTest::newRow("letter in gain") << true << "x" << "  Incorrect value" << "?";
        QTest::newRow("minus in frequency") << false << "-5" << "  Incorrect frequency value" << "?5";
        QTest::newRow("decimal point in frequency") << false << "20.5" << "  Incorrect frequency value" << "20?5";
    }
    void rejectedKeysWarnAndInsertAQuestionMark()
    {
        QFETCH(bool, gainBox);
        QFETCH(QString, typed);
        QFETCH(QString, warning);
        QFETCH(QString, left);
        QLineEdit *box = gainBox ? Editor().Text1[6] : Editor().Text2[6];
        box->clear();
        QTest::keyClicks(box, typed);
        QCOMPARE(box->text(), left);
        QCOMPARE(rig_->dialogs.messages.size(), 1);
        QCOMPARE(rig_->dialogs.messages.front().text, warning);
        QCOMPARE(rig_->dialogs.messages.front().title, QStringLiteral("Warning"));
        QCOMPARE(rig_->dialogs.messages.front().buttons, MessageButtons::Ok);
        // Enter on the box with its "?" is refused too; nothing is sent.
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(rig_->dialogs.messages.size(), 2);
        QVERIFY(rig_->Writes().isEmpty());
    }

    // Enter on a box that holds no whole number, typed or pasted, is refused
    // with the warning of a wrong key; nothing is sent.
    void enterOnANonNumberIsRefused_data()
    {
        QTest::addColumn<int>("boxKind"); // 0 gain, 1 frequency, 2 sensitivity
        QTest::addColumn<QString>("text");
        QTest::newRow("empty gain") << 0 << "";
        QTest::newRow("lone minus") << 0 << "-";
        QTest::newRow("empty frequency") << 1 << "";
        QTest::newRow("pasted exponent in frequency") << 1 << "1e3";
        QTest::newRow("pasted decimal in gain") << 0 << "-2.5";
        QTest::newRow("pasted plus in gain") << 0 << "+5";
        QTest::newRow("pasted trailing minus in gain") << 0 << "5-";
        QTest::newRow("pasted blank in gain") << 0 << " -5";
        QTest::newRow("pasted minus in frequency") << 1 << "-500";
        QTest::newRow("pasted other digits in frequency") << 1 << QString::fromUtf8("\u0661\u0662\u0663");
        QTest::newRow("pasted exponent in sensitivity") << 2 << "1e1";
    }
    void enterOnANonNumberIsRefused()
    {
        QFETCH(int, boxKind);
        QFETCH(QString, text);
        QLineEdit *box = boxKind == 0 ? Editor().Text1[8] : boxKind == 1 ? Editor().Text2[8] : Editor().Text4[0];
        box->setText(text);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(box->text(), text + QLatin1Char('?'));
        QCOMPARE(rig_->dialogs.messages.size(), 1);
        QVERIFY(rig_->Writes().isEmpty());
    }

    void linkedEditSendsThePartnerSecond_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<int>("partner");
        QTest::newRow("Left row 3") << 2 << 14;
        QTest::newRow("Right row 3") << 14 << 2;
    }
    void linkedEditSendsThePartnerSecond()
    {
        QFETCH(int, filter);
        QFETCH(int, partner);
        rig_->program.Model().SetLinked(true, ChangeOrigin::Edit);
        QSignalSpy redrawn(&rig_->program.Graph(), &ResponseGraph::ChannelRedrawn);
        Editor().HScroll20[static_cast<std::size_t>(filter)]->setValue(30);
        const QList<QByteArray> writes = rig_->Writes();
        QCOMPARE(writes.size(), 2);
        QCOMPARE(writes[0].mid(3, 2), QByteArray::fromHex(filter < 12 ? "0002" : "0102"));
        QCOMPARE(writes[1].mid(3, 2), QByteArray::fromHex(partner < 12 ? "0002" : "0102"));
        QCOMPARE(Editor().HScroll20[static_cast<std::size_t>(partner)]->value(), 30);
        QCOMPARE(Editor().Text1Text(partner), QStringLiteral("-15"));
        QCOMPARE(redrawn.size(), 2);
    }

    void linkedTypedFrequencyAndWidthFollow()
    {
        rig_->program.Model().SetLinked(true, ChangeOrigin::Edit);
        TypeInto(Editor().Text2[5], QStringLiteral("1000"));
        QCOMPARE(Editor().Text2Text(17), QStringLiteral("1003"));
        QCOMPARE(Editor().HScroll6[17]->value(), 413);
        Editor().HScroll30[5]->setValue(0);
        QCOMPARE(Editor().Text3Text(17), QStringLiteral("1/70"));
        QCOMPARE(rig_->Writes().size(), 4);
        QCOMPARE(ImageBytes(Values(), NotchOffset[17], 4), QByteArray::fromHex("2D019D00"));
    }

    void programmaticChangesDoNothing()
    {
        State().UpdatingControls = true;
        Editor().HScroll20[4]->setValue(3);
        QTest::keyClicks(Editor().Text1[4], QStringLiteral("x."));
        State().UpdatingControls = false;
        QVERIFY(rig_->Writes().isEmpty());
        QVERIFY(rig_->dialogs.messages.isEmpty());
        QVERIFY(Editor().Text1Text(4).endsWith(QStringLiteral("x.")));
    }
};

QTEST_MAIN(NotchEditingTest)
#include "tst_notchediting.moc"
