#include "operations/RingOutJournal.h"

#include "core/Tables.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace ksr {

namespace {

constexpr int JournalFields = 7;

} // namespace

QString JournalFolder(const QString &startDirectory)
{
    return QDir(startDirectory).filePath(QStringLiteral("Journal"));
}

QString JournalFileName(QDate day)
{
    return QStringLiteral("ringout-%1.csv").arg(day.toString(QStringLiteral("yyyy-MM-dd")));
}

std::optional<JournalRow> ParseJournalLine(const QByteArray &line)
{
    const QString text = QString::fromUtf8(line).trimmed();
    if (text.startsWith(QLatin1Char('#')))
        return JournalRow{{}, text.mid(1).trimmed()};
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != JournalFields || text == QLatin1String(JournalHeader))
        return std::nullopt;
    return JournalRow{fields, {}};
}

RingOutJournal::RingOutJournal(const AppState &state, const PresetModel &model)
    : state_(state), model_(model)
{
}

QString RingOutJournal::TodaysPath() const
{
    return PathOf(now_().date());
}

QString RingOutJournal::PathOf(QDate day) const
{
    return QDir(JournalFolder(state_.StartDirectory)).filePath(JournalFileName(day));
}

void RingOutJournal::AddReport(const DeviceReport &report)
{
    AddFilterRow(report.filter,
                 report.kind == DeviceReport::Kind::Notch ? QStringLiteral("placed") : QStringLiteral("gain"));
}

void RingOutJournal::AddKept(int f)
{
    AddFilterRow(f, QStringLiteral("kept"));
}

void RingOutJournal::AddFilterRow(int f, const QString &event)
{
    if (state_.DemoMode)
        return;
    // One reading of the clock: a row just before midnight goes to the day it names.
    const QDateTime now = now_();
    const QStringList fields = {
        now.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")),
        ChannelName(f / FiltersPerChannel),
        QString::number(f % FiltersPerChannel + 1),
        event,
        FrequencyText(FreqTable[static_cast<std::size_t>(model_.NotchFrequencyIndex(f))]),
        TableText(WidthText, model_.NotchWidth(f)),
        QString::number(model_.NotchGainStep(f) - 45),
    };
    AddLine(PathOf(now.date()), fields.join(QLatin1Char(',')).toUtf8());
}

void RingOutJournal::AddNote(const QString &text)
{
    QString note = text;
    note.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    note = note.trimmed();
    if (state_.DemoMode || note.isEmpty())
        return;
    AddLine(TodaysPath(), "# " + note.toUtf8());
}

void RingOutJournal::AddSearchRow(SearchChannels channels, SearchRun run)
{
    if (state_.DemoMode)
        return;
    const QDateTime now = now_();
    const QString channelText = channels == SearchChannels::Both   ? QStringLiteral("Both")
                                : channels == SearchChannels::Left ? QStringLiteral("Left")
                                                                   : QStringLiteral("Right");
    const QStringList fields = {
        now.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")),
        channelText,
        QString(),
        QString::fromLatin1(run == SearchRun::On ? SearchStartedEvent : SearchStoppedEvent),
        QString(),
        QString(),
        QString(),
    };
    AddLine(PathOf(now.date()), fields.join(QLatin1Char(',')).toUtf8());
}

void RingOutJournal::AddLine(const QString &path, const QByteArray &line)
{
    const std::optional<QString> error = Append(path, line);
    if (error) {
        if (!failing_ && writeFailed_)
            writeFailed_(QStringLiteral("The ring-out journal could not be written to %1: %2").arg(path, *error));
        failing_ = true;
        return;
    }
    failing_ = false;
    if (lineAdded_)
        lineAdded_(path, line);
}

std::optional<QString> RingOutJournal::Append(const QString &path, const QByteArray &line) const
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        return QStringLiteral("the folder could not be made");
    // Opening a FIFO or a device would wait, or write where no file is.
    if (QFileInfo(path).exists() && !QFileInfo(path).isFile())
        return QStringLiteral("it is not a regular file");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return file.errorString();
    const qint64 sizeBefore = file.size();
    QByteArray bytes;
    if (sizeBefore == 0)
        bytes = QByteArray(JournalHeader) + '\n';
    bytes += line + '\n';
    // One write, flushed and closed at once: a row taken in survives the
    // program being killed. A row cut short (a full disk) is taken out
    // again, so that the rows after it start on a line of their own.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString error = file.errorString();
        file.resize(sizeBefore);
        return error;
    }
    file.close();
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    return std::nullopt;
}

} // namespace ksr
