// The trace of the line: every frame the port was given and every answer,
// in order, with the marks of the unsound ones; the last 2,000 lines kept in
// memory; a file that holds each line as soon as it happens.

#include "support/FileBytes.h"
#include "support/LinkRig.h"

#include "core/Protocol.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace ksr;
using namespace ksr::test;

namespace {

// A line without its two times: what the link knew.
QString WithoutTimes(const QString &line)
{
    return line.section(QLatin1Char(' '), 2);
}

// The frames of the "sent" lines, in order.
QList<QByteArray> SentFrames(const QStringList &lines)
{
    static const QRegularExpression sent(QStringLiteral(" sent: ([0-9A-F ]+?)( \\[.*\\])?$"));
    QList<QByteArray> frames;
    for (const QString &line : lines) {
        if (const QRegularExpressionMatch m = sent.match(line); m.hasMatch())
            frames << QByteArray::fromHex(m.captured(1).toLatin1());
    }
    return frames;
}

} // namespace

class LineTraceTest : public QObject {
    Q_OBJECT
private slots:
    // Each row: the device's fault for the first exchange (of two), and the
    // lines, without their times, that must follow one another.
    void everyFrameAndAnswerWithItsMarks_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("expected");
        const QString sent1 = QStringLiteral("exchange 1 resend 0 sent: F0 5B 10 00 31 00 00 00 00 F7");
        const QString sent2 = QStringLiteral("exchange 2 resend 0 sent: F0 5B 10 00 32 00 00 00 00 F7");
        const QString answer2 = QStringLiteral("exchange 2 resend 0 answer: F0 5B 10 00 32 .. .. .. .. F7");
        QTest::newRow("sound") << "" << QStringList{QStringLiteral("exchange - resend - port 1 opened"), sent1,
                                                    QStringLiteral("exchange 1 resend 0 answer: F0 5B 10 00 31 .. .. .. .. F7"),
                                                    sent2, answer2};
        QTest::newRow("extra bytes") << "extra" << QStringList{
            sent1, QStringLiteral("exchange 1 resend 0 answer: F0 5B 10 00 31 .. .. .. .. F7 \\[2 extra bytes; unsound #1\\]"),
            sent2, answer2};
        QTest::newRow("garbled reply") << "garbage" << QStringList{
            sent1, QStringLiteral("exchange 1 resend 0 answer: F0 A4 .* \\[not a reply frame\\]"), sent2, answer2};
        QTest::newRow("one reply missing") << "silent" << QStringList{
            sent1, QStringLiteral("exchange 1 resend 0 no answer"),
            QStringLiteral("exchange 1 resend 1 sent: F0 5B 10 00 31 00 00 00 00 F7"),
            QStringLiteral("exchange 1 resend 1 answer: F0 5B 10 00 31 .. .. .. .. F7"), sent2, answer2};
        QTest::newRow("stray bytes before the send") << "stray" << QStringList{
            QStringLiteral("exchange 1 resend 0 sent: F0 5B 10 00 31 00 00 00 00 F7"),
            QStringLiteral("exchange 1 resend 0 stray: 01 02 03 \\[3 bytes of no answer before this one; unsound #1\\]"),
            QStringLiteral("exchange 1 resend 0 answer: F0 5B 10 00 31 .. .. .. .. F7"), sent2, answer2};
        QTest::newRow("reply in parts past its time-out") << "split" << QStringList{
            sent1, QStringLiteral("exchange 1 resend 0 no answer \\[4 of 10 bytes; unsound #1\\]"),
            QStringLiteral("exchange 1 resend 1 sent: F0 5B 10 00 31 00 00 00 00 F7"),
            QStringLiteral("exchange 1 resend 1 stray: F0 5B 10 00 \\[4 bytes of no answer before this one; unsound #1\\]"),
            // The rest of the first reply comes first: taken, as the link
            // takes it, and marked.
            QStringLiteral("exchange 1 resend 1 answer: 31 00 55 00 00 F7 F0 5B 10 00 "
                           "\\[not a reply frame; 6 extra bytes; unsound #1\\]"),
            sent2, answer2};
        QStringList silent{sent1};
        for (int resend = 0; resend < MaxSends; ++resend) {
            if (resend > 0)
                silent << QStringLiteral("exchange 1 resend %1 sent: F0 5B 10 00 31 00 00 00 00 F7").arg(resend);
            silent << QStringLiteral("exchange 1 resend %1 no answer").arg(resend);
        }
        silent << QStringLiteral("exchange 1 resend 5 Time out");
        QTest::newRow("silent device") << "dead" << silent;
    }
    void everyFrameAndAnswerWithItsMarks()
    {
        QFETCH(QString, fault);
        QFETCH(QStringList, expected);
        LinkRig rig;
        sim::Faults faults;
        faults.count = 1;
        if (fault == QLatin1String("extra"))
            faults.extraBytes = 2;
        else if (fault == QLatin1String("garbage"))
            faults.garbage = true;
        else if (fault == QLatin1String("silent"))
            faults.silentReplies = 1;
        else if (fault == QLatin1String("dead")) {
            faults.silentReplies = -1;
            faults.count = -1;
        }
        else if (fault == QLatin1String("split")) {
            faults.splitAt = 4;
            faults.splitDelay = ReplyTimeoutSeconds + 0.1;
        } else if (fault == QLatin1String("stray"))
            rig.port.InjectBytes(QByteArray::fromHex("010203"), rig.clock.NowSeconds());
        rig.device.SetFaults(faults);
        rig.link.ExchangeCommand(ReadByteFrame(0x0031));
        rig.link.ExchangeCommand(ReadByteFrame(0x0032));

        const QStringList lines = rig.link.Trace().Lines();
        qsizetype at = 0;
        for (const QString &pattern : expected) {
            const QRegularExpression line(QLatin1Char('^') + pattern + QLatin1Char('$'));
            while (at < lines.size() && !line.match(WithoutTimes(lines[at])).hasMatch())
                ++at;
            QVERIFY2(at < lines.size(), qPrintable(pattern + QStringLiteral("\nnot found in order in\n")
                                                   + lines.join(QLatin1Char('\n'))));
            ++at;
        }
        // Every line has both times; the frames are those the port was given.
        static const QRegularExpression times(
            QStringLiteral("^\\d+\\.\\d{6} \\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z exchange "));
        for (const QString &line : lines)
            QVERIFY2(times.match(line).hasMatch(), qPrintable(line));
        QCOMPARE(SentFrames(lines), rig.Writes());
    }

    // Memory holds exactly the last 2,000 lines, oldest first.
    void memoryKeepsExactlyTheLastLines()
    {
        LinkRig rig;
        // The port's line, then two lines an exchange.
        constexpr int Exchanges = 1100;
        for (int i = 0; i < Exchanges; ++i)
            rig.link.ExchangeCommand(ReadByteFrame(i));
        const QStringList lines = rig.link.Trace().Lines();
        QCOMPARE(lines.size(), LineTrace::KeptLines);
        const int first = Exchanges - LineTrace::KeptLines / 2 + 1;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString head = QStringLiteral("exchange %1 resend 0 %2: ")
                                     .arg(first + i / 2)
                                     .arg(i % 2 == 0 ? QStringLiteral("sent") : QStringLiteral("answer"));
            QVERIFY2(WithoutTimes(lines[i]).startsWith(head), qPrintable(lines[i]));
        }
        QCOMPARE(rig.link.Trace().Text(), (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    }

    // The file holds each line as it happens, while the link goes on,
    // however many memory keeps; a file that cannot be made is refused.
    void fileHoldsEveryLineAsItHappens()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("trace.txt"));
        QVERIFY(WriteAll(path, "an earlier trace\n"));
        LinkRig rig;
        QString error;
        QVERIFY(rig.link.Trace().WriteTo(path, &error));
        rig.link.ExchangeCommand(ReadByteFrame(0x0031));
        QCOMPARE(ReadAll(path), rig.link.Trace().Text().mid(rig.link.Trace().Lines().first().size() + 1));
        for (int i = 0; i < LineTrace::KeptLines; ++i)
            rig.link.SendWithoutReply(NotificationAckFrame());
        const QStringList lines = QString::fromUtf8(ReadAll(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2 + LineTrace::KeptLines);
        QCOMPARE(WithoutTimes(lines.last()), QStringLiteral("exchange - resend - sent: F0 5B 30 00 00 00 00 00 00 F7"));

        QVERIFY(!rig.link.Trace().WriteTo(folder.filePath(QStringLiteral("missing/trace.txt")), &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(LineTraceTest)
#include "tst_linetrace.moc"
