// Whole-channel operations through the real windows: linking, the two copies
// from the toolbar, the reset buttons, and the channel comparison.

#include "support/FrameBytes.h"
#include "support/ProgramRig.h"

#include "core/Tables.h"
#include "operations/RingOutJournal.h"

#include "operations/ApplyPresetImage.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
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

// A notch filter record: gain step, frequency index, width index.
void SetNotchRecord(sim::Preset &p, int f, int gainDb, int index, int width)
{
    const auto o = static_cast<std::size_t>(NotchOffset[static_cast<std::size_t>(f)]);
    p[o] = static_cast<std::uint8_t>(45 + gainDb);
    p[o + 1] = static_cast<std::uint8_t>(index >> 8);
    p[o + 2] = static_cast<std::uint8_t>(index & 0xFF);
    p[o + 3] = static_cast<std::uint8_t>(width);
}

// The notch frame of filter f as the device is to receive it.
QByteArray NotchFrame(int f, int gainDb, int index, int width)
{
    return F(0x07, static_cast<std::uint8_t>(f / 12), static_cast<std::uint8_t>(f % 12),
             static_cast<std::uint8_t>(index >> 8), static_cast<std::uint8_t>(index & 0xFF),
             static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(45 + gainDb));
}

QString Hz(int index)
{
    return FrequencyText(FreqTable[static_cast<std::size_t>(index)]);
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

    // A row of placed: {row, gain dB, frequency index}; manual: {row, gain dB,
    // frequency index, width} of a manual row in use.
    void keepFoundNotches_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<QList<int>>>("placed");
        QTest::addColumn<QList<QList<int>>>("manual");
        QTest::addColumn<QStringList>("notches");
        QTest::addColumn<QString>("countLine");
        QTest::addColumn<QList<QByteArray>>("frames");

        // Rows 3 and 4 turn manual with their notches in place; rows 1 and 2
        // are copied into rows 5 and 6 before the count falls, and only
        // then go back to 0 dB.
        QTest::newRow("count 6, 4 placed")
            << 0 << 6 << QList<QList<int>>{{0, -12, 400}, {1, -9, 300}, {2, -6, 500}, {3, -15, 200}}
            << QList<QList<int>>{}
            << QStringList{Hz(400) + " Hz, -12 dB (row 5)", Hz(300) + " Hz, -9 dB (row 6)",
                           Hz(500) + " Hz, -6 dB (row 3)", Hz(200) + " Hz, -15 dB (row 4)"}
            << "The automatic count goes from 6 to 2."
            << QList<QByteArray>{NotchFrame(4, -12, 400, 1), NotchFrame(5, -9, 300, 1), F(0x0A, 1, 2, 1, 1, 8, 0),
                                 NotchFrame(0, 0, 400, 1), NotchFrame(1, 0, 300, 1)};
        // Every automatic row holds a notch: the two deepest are kept, the
        // shallowest (row 2) goes back into the one automatic row once the
        // deepest has its copy in row 2.
        QTest::newRow("count 3, 3 placed, Right")
            << 1 << 3 << QList<QList<int>>{{0, -12, 400}, {1, -6, 300}, {2, -9, 500}} << QList<QList<int>>{}
            << QStringList{Hz(400) + " Hz, -12 dB (row 2)", Hz(500) + " Hz, -9 dB (row 3)"}
            << "The automatic count goes from 3 to 1."
            << QList<QByteArray>{NotchFrame(13, -12, 400, 1), F(0x0A, 2, 1, 1, 1, 8, 0), NotchFrame(12, -6, 300, 1)};
        // The manual rows in use stay as they are.
        QTest::newRow("manual rows in use")
            << 0 << 6 << QList<QList<int>>{{0, -12, 400}, {2, -9, 300}}
            << QList<QList<int>>{{6, -20, 600, 3}, {11, -3, 100, 0}}
            << QStringList{Hz(400) + " Hz, -12 dB (row 5)", Hz(300) + " Hz, -9 dB (row 6)"}
            << "The automatic count goes from 6 to 4."
            << QList<QByteArray>{NotchFrame(4, -12, 400, 1), NotchFrame(5, -9, 300, 1), F(0x0A, 1, 4, 1, 1, 8, 0),
                                 NotchFrame(0, 0, 400, 1), NotchFrame(2, 0, 300, 1)};
    }
    void keepFoundNotches()
    {
        QFETCH(int, channel);
        QFETCH(int, count);
        QFETCH(QList<QList<int>>, placed);
        QFETCH(QList<QList<int>>, manual);
        QFETCH(QStringList, notches);
        QFETCH(QString, countLine);
        QFETCH(QList<QByteArray>, frames);
        sim::Preset preset = FlatPresetWithAutoCounts(count, count);
        const int first = 12 * channel;
        preset[static_cast<std::size_t>(77 + 80 * channel)] = 1;
        preset[static_cast<std::size_t>(78 + 80 * channel)] = 1;
        preset[static_cast<std::size_t>(79 + 80 * channel)] = 8;
        for (int row = 0; row < count; ++row)
            SetNotchRecord(preset, first + row, 0, 100, 1);
        for (const QList<int> &n : placed)
            SetNotchRecord(preset, first + n[0], n[1], n[2], 1);
        for (const QList<int> &n : manual)
            SetNotchRecord(preset, first + n[0], n[1], n[2], n[3]);
        StartWith(preset);
        const QByteArray before = ImageBytes(Values(), 0, 160);
        const std::size_t steps = rig_->program.History().UndoCount();

        QPushButton *keep = Editor().KeepFound[static_cast<std::size_t>(channel)];
        QCOMPARE(keep->accessibleName(), channel == 0 ? "Keep found notches Left" : "Keep found notches Right");
        rig_->dialogs.answers = {MessageAnswer::No};
        keep->click();
        QVERIFY(rig_->Writes().isEmpty());
        QCOMPARE(ImageBytes(Values(), 0, 160), before);

        rig_->dialogs.answers = {MessageAnswer::Yes};
        keep->click();
        const MessageRequest &question = rig_->dialogs.messages.last();
        QCOMPARE(question.title, QStringLiteral("Keep found notches"));
        QCOMPARE(question.buttons, MessageButtons::YesNo);
        const QStringList lines = question.text.split(QLatin1Char('\n'));
        QCOMPARE(lines.first(), QStringLiteral("Keep the notches that the search found in Channel %1 as manual filters?")
                                    .arg(channel == 0 ? "Left" : "Right"));
        QCOMPARE(lines.mid(1, notches.size()).replaceInStrings(QStringLiteral("    "), QString()), notches);
        QCOMPARE(lines.value(1 + notches.size()), countLine);
        QCOMPARE(rig_->Writes(), frames);

        // A journal row for each kept notch, in its manual row.
        QStringList kept;
        QFile journal(rig_->program.Journal().TodaysPath());
        QVERIFY(journal.open(QIODevice::ReadOnly));
        for (const QByteArray &line : journal.readAll().split('\n')) {
            const std::optional<JournalRow> row = ParseJournalLine(line);
            if (row && !row->IsNote() && row->fields.value(3) == QLatin1String("kept")) {
                QCOMPARE(row->fields.value(1), channel == 0 ? "Left" : "Right");
                QCOMPARE(row->fields.value(5), QStringLiteral("1/20"));
                kept << QStringLiteral("%1 Hz, %2 dB (row %3)").arg(row->fields.value(4), row->fields.value(6),
                                                                   row->fields.value(2));
            }
        }
        QCOMPARE(kept, notches);

        // The device holds what the editor shows; each kept notch sits in a
        // manual row, and the manual rows in use are untouched.
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(rig_->device.CurrentSettings().data()), 160).toHex(' '),
                 ImageBytes(Values(), 0, 160).toHex(' '));
        const int after = rig_->program.Model().AutoCount(channel);
        QCOMPARE(Editor().Label3[static_cast<std::size_t>(channel)]->text(), QString::number(after));
        QVERIFY(Editor().HScroll20[static_cast<std::size_t>(first + after)]->isEnabled());
        QVERIFY(!Editor().HScroll20[static_cast<std::size_t>(first + after - 1)]->isEnabled());
        for (const QList<int> &n : manual) {
            sim::Preset record = preset;
            QCOMPARE(ImageBytes(Values(), NotchOffset[static_cast<std::size_t>(first + n[0])], 4),
                     QByteArray(reinterpret_cast<const char *>(record.data())
                                    + NotchOffset[static_cast<std::size_t>(first + n[0])],
                                4));
        }

        // One step of the history takes it all back.
        QCOMPARE(rig_->program.History().UndoCount(), steps + 1);
        rig_->program.History().Undo();
        QCOMPARE(ImageBytes(Values(), 0, 160), before);
    }

    void keepFoundNotchesWithNothingToKeep_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("gainDb");
        QTest::addColumn<QString>("text");
        QTest::newRow("no notch placed") << 5 << 0
                                         << "The search has placed no notch in the 5 automatic rows of Channel Left: "
                                            "there is no notch to keep.";
        QTest::newRow("count 1") << 1 << -9
                                 << "Channel Left has one automatic row, which holds the notch at " + Hz(400)
                                        + " Hz, -9 dB. One row always stays automatic, so there is no notch to keep.";
    }
    void keepFoundNotchesWithNothingToKeep()
    {
        QFETCH(int, count);
        QFETCH(int, gainDb);
        QFETCH(QString, text);
        sim::Preset preset = FlatPresetWithAutoCounts(count, 11);
        SetNotchRecord(preset, 0, gainDb, 400, 1);
        StartWith(preset);
        const QByteArray before = ImageBytes(Values(), 0, 160);
        Editor().KeepFound[0]->click();
        QCOMPARE(rig_->dialogs.messages.size(), 1);
        QCOMPARE(rig_->dialogs.messages.front().text, text);
        QCOMPARE(rig_->dialogs.messages.front().buttons, MessageButtons::Ok);
        QVERIFY(rig_->Writes().isEmpty());
        QCOMPARE(ImageBytes(Values(), 0, 160), before);
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
