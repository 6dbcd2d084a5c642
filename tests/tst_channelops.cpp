// Whole-channel operations through the real windows: linking, the two copies
// from the toolbar, the reset buttons, and the channel comparison.

#include "support/ProgramRig.h"

#include "operations/ApplyPresetImage.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

using namespace ksr;
using namespace ksr::test;

namespace {

// Left differs from Right: Left has 3 automatic rows, width 1/20, and its
// row 5 at 1003 Hz, 1/5, -20 dB.
sim::Preset DifferentChannels()
{
    sim::Preset p = FlatPresetWithAutoCounts(3, 11);
    p[77] = 1;
    for (int f = 0; f < 3; ++f)
        p[static_cast<std::size_t>(NotchOffset[static_cast<std::size_t>(f)] + 3)] = 1;
    const auto o = static_cast<std::size_t>(NotchOffset[5]);
    p[o] = 25;
    p[o + 1] = 413 >> 8;
    p[o + 2] = 413 & 0xFF;
    p[o + 3] = 3;
    p[78] = 1;
    p[100] = 1;
    return p;
}

QList<int> Codes(const QList<QByteArray> &writes)
{
    QList<int> codes;
    for (const QByteArray &w : writes)
        codes << static_cast<std::uint8_t>(w[2]);
    return codes;
}

} // namespace

class ChannelOpsTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ProgramRig> rig_;
    FrmEq &Editor() { return rig_->program.Editor(); }
    AppState &State() { return rig_->program.State(); }
    const PresetValues &Values() const { return rig_->program.Values(); }
    QByteArray Half(int c) { return ImageBytes(Values(), 80 * c, 80); }

    void StartWith(const sim::Preset &preset)
    {
        rig_ = std::make_unique<ProgramRig>();
        rig_->device.SetCurrentSettings(preset);
        rig_->StartWithDevice();
    }

private slots:
    void cleanup() { rig_.reset(); }

    void equalChannelsLinkWithoutQuestion()
    {
        StartWith(FlatPresetWithAutoCounts(11, 11));
        Editor().Check2->setChecked(true);
        QCOMPARE(Values().LinkFlag, 1);
        QVERIFY(rig_->dialogs.messages.isEmpty());
        QVERIFY(rig_->Writes().isEmpty());
        Editor().Check2->setChecked(false);
        QCOMPARE(Values().LinkFlag, 0);
    }

    void differingChannelsAnsweredNo()
    {
        StartWith(DifferentChannels());
        rig_->dialogs.answers = {MessageAnswer::No};
        const QByteArray right = Half(1);
        Editor().Check2->setChecked(true);
        QCOMPARE(rig_->dialogs.messages.size(), 1);
        const MessageRequest &q = rig_->dialogs.messages.front();
        QCOMPARE(q.title, QStringLiteral("Link Left & Right"));
        QCOMPARE(q.text, QStringLiteral("      You requested to Link channel Left & Right  \r\n"
                                        "        This will copy channel Left to Right     \r\n"
                                        "                     confirm?                    "));
        QCOMPARE(q.buttons, MessageButtons::YesNo);
        QVERIFY(!Editor().Check2->isChecked());
        QCOMPARE(Values().LinkFlag, 0);
        QVERIFY(rig_->Writes().isEmpty());
        QCOMPARE(Half(1), right);
    }

    void differingChannelsAnsweredYesCopyLeftToRight()
    {
        StartWith(DifferentChannels());
        rig_->dialogs.answers = {MessageAnswer::Yes};
        Editor().Check2->setChecked(true);
        QCOMPARE(Values().LinkFlag, 1);
        QVERIFY(Editor().Check2->isChecked());
        // 12 notch filters, then count, width, attenuation, sensitivity, release, search mode.
        QList<int> expected(12, NotchFilterCommand);
        expected << AutoSearchCommand << AutoSearchCommand << AutoSearchCommand << AutoSearchCommand
                 << SearchModesCommand << SearchModesCommand;
        QCOMPARE(Codes(rig_->Writes()), expected);
        for (const QByteArray &w : rig_->Writes().mid(0, 12))
            QCOMPARE(int(w[3]), 1);
        // Notch records and settings equal; the uninterpreted bytes stay.
        QCOMPARE(Half(1).mid(28), Half(0).mid(28));
        QCOMPARE(Half(1).mid(20, 2), Half(0).mid(20, 2));
        QCOMPARE(Editor().Text2Text(17), QStringLiteral("1003"));
        QVERIFY(!Editor().HScroll20[14]->isEnabled());
        QVERIFY(Editor().HScroll20[15]->isEnabled());
    }

    void aChangeJustMadeStillBringsTheQuestion()
    {
        // The timer compared equal channels; an edit since then makes them differ.
        StartWith(FlatPresetWithAutoCounts(11, 11));
        rig_->program.Timer3_Timer();
        QVERIFY(!State().ChannelsDiffer);
        Editor().HScroll20[11]->setValue(30);
        rig_->port.ClearWrites();
        rig_->dialogs.answers = {MessageAnswer::No};
        Editor().Check2->setChecked(true);
        QCOMPARE(rig_->dialogs.messages.size(), 1);
        QCOMPARE(Values().LinkFlag, 0);
    }

    void timerComparesAllEightyBytes()
    {
        sim::Preset p = FlatPresetWithAutoCounts(11, 11);
        p[85] = 7; // an uninterpreted byte of Right
        StartWith(p);
        rig_->program.Timer3_Timer();
        QVERIFY(State().ChannelsDiffer);
        QCOMPARE(rig_->program.MainWindow().Timer3->interval(), 3000);
    }

    void copyButtons_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("target");
        QTest::newRow("Left to Right") << 7 << "Copy Channel Left to Right, Are you sure ?" << "Copy Left to Right" << 1;
        QTest::newRow("Right to Left") << 8 << "Copy Channel Right to Left, Are you sure ?" << "Copy Right to Left" << 0;
    }
    void copyButtons()
    {
        QFETCH(int, button);
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(int, target);
        StartWith(DifferentChannels());
        QToolButton *command = rig_->program.MainWindow().Command1[static_cast<std::size_t>(button)];

        rig_->dialogs.answers = {MessageAnswer::No};
        const QByteArray before = ImageBytes(Values(), 0, 160);
        command->click();
        QCOMPARE(rig_->dialogs.messages.front().text, text);
        QCOMPARE(rig_->dialogs.messages.front().title, title);
        QCOMPARE(rig_->dialogs.messages.front().defaultAnswer, MessageAnswer::Yes);
        QVERIFY(rig_->Writes().isEmpty());
        QCOMPARE(ImageBytes(Values(), 0, 160), before);

        // A frequency typed into the source row but never entered is no part
        // of the channel: the copy takes the row as the device has it.
        Editor().Text2[static_cast<std::size_t>(12 * (1 - target) + 5)]->setText(QStringLiteral("5000"));
        rig_->dialogs.answers = {MessageAnswer::Yes};
        command->click();
        const QList<QByteArray> writes = rig_->Writes();
        QCOMPARE(writes.size(), 18);
        // Right to Left sends the sensitivity last, after the two mode frames.
        const QList<int> leftToRight = {0x0A, 0x0A, 0x0A, 0x0A, 0x31, 0x31};
        const QList<int> rightToLeft = {0x0A, 0x0A, 0x0A, 0x31, 0x31, 0x0A};
        QCOMPARE(Codes(writes.mid(12)), target == 1 ? leftToRight : rightToLeft);
        QCOMPARE(Half(target).mid(28), Half(1 - target).mid(28));
    }

    void resetManualOnAChannelWithoutManualRows()
    {
        StartWith(FlatPresetWithAutoCounts(12, 12));
        rig_->dialogs.answers = {MessageAnswer::Yes};
        Editor().Command1[2]->click();
        QCOMPARE(rig_->dialogs.messages.front().text, QStringLiteral("Reset all Notch filter manual, Are you sure ?"));
        QCOMPARE(rig_->dialogs.messages.front().title, QStringLiteral("Reset Filter"));
        QVERIFY(rig_->Writes().isEmpty());

        rig_->dialogs.answers = {MessageAnswer::Yes};
        Editor().Command1[0]->click();
        QCOMPARE(rig_->dialogs.messages.last().text, QStringLiteral("Reset all Notch filter automatic, Are you sure ?"));
        QCOMPARE(rig_->Writes().size(), 12);
    }

    void resetKeepsFrequencyAndWidth()
    {
        StartWith(DifferentChannels());
        rig_->dialogs.answers = {MessageAnswer::Yes};
        Editor().Command1[2]->click();
        QCOMPARE(Editor().Text2Text(5), QStringLiteral("1003"));
        QCOMPARE(Editor().Text3Text(5), QStringLiteral("1/5"));
        QCOMPARE(Editor().Text1Text(5), QStringLiteral("0"));
        QCOMPARE(ImageBytes(Values(), NotchOffset[5], 4), QByteArray::fromHex("2D019D03"));
        // Left rows 3..11 are manual.
        QCOMPARE(rig_->Writes().size(), 9);
    }

    void resetAnsweredNoChangesNothing()
    {
        StartWith(DifferentChannels());
        rig_->dialogs.answers = {MessageAnswer::No};
        Editor().Command1[3]->click();
        QVERIFY(rig_->Writes().isEmpty());
    }

    void linkedResetDoesBothChannelsWithOneQuestion()
    {
        StartWith(FlatPresetWithAutoCounts(2, 4));
        rig_->program.Model().SetLinked(true, ChangeOrigin::Edit);
        rig_->dialogs.answers = {MessageAnswer::Yes};
        Editor().Command1[0]->click();
        QCOMPARE(rig_->dialogs.messages.size(), 1);
        const QList<QByteArray> writes = rig_->Writes();
        QCOMPARE(writes.size(), 2 + 4);
        QCOMPARE(int(writes[0][3]), 0);
        QCOMPARE(int(writes[2][3]), 1);
    }

    void applyingAPresetUnlinks()
    {
        StartWith(FlatPresetWithAutoCounts(11, 11));
        Editor().Check2->setChecked(true);
        QCOMPARE(Values().LinkFlag, 1);
        State().SendSuppressed = true;
        rig_->program.ApplyPresetImage(PresetImageArray(Values().PresetImage));
        State().SendSuppressed = false;
        QVERIFY(!Editor().Check2->isChecked());
        QCOMPARE(Values().LinkFlag, 0);
    }
};

QTEST_MAIN(ChannelOpsTest)
#include "tst_channelops.moc"
