#include "link/LineTrace.h"

#include "link/LinkLogging.h"

#include <QDateTime>

namespace ksr {

LineTrace::LineTrace(Clock &clock) : clock_(clock), started_(clock.NowSeconds()) {}

bool LineTrace::WriteTo(const QString &path, QString *error)
{
    file_.close();
    file_.setFileName(path);
    // Unbuffered: each line reaches the system as it is written, so that a
    // crash or a kill leaves every line before it.
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        *error = file_.errorString();
        return false;
    }
    qCDebug(LinkLog).noquote() << "line trace written to" << path;
    return true;
}

void LineTrace::Record(quint64 exchange, int resend, const QString &what, const QByteArray &bytes,
                       const QString &marks)
{
    QString line = QStringLiteral("%1 %2 exchange %3 resend %4 %5")
                       .arg(clock_.NowSeconds() - started_, 0, 'f', 6)
                       .arg(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs),
                            exchange == NoExchange ? QStringLiteral("-") : QString::number(exchange),
                            resend < 0 ? QStringLiteral("-") : QString::number(resend), what);
    if (!bytes.isEmpty())
        line += QStringLiteral(": ") + QString::fromLatin1(bytes.toHex(' ').toUpper());
    if (!marks.isEmpty())
        line += QStringLiteral(" [%1]").arg(marks);
    qCDebug(LinkFramesLog).noquote() << line;
    if (file_.isOpen()) {
        const QByteArray text = line.toUtf8() + '\n';
        if (file_.write(text) != text.size()) {
            qCWarning(LinkLog).noquote() << "the line trace could not be written to" << file_.fileName() << ":"
                                         << file_.errorString();
            file_.close();
        }
    }
    kept_.append(std::move(line));
}

QStringList LineTrace::Lines() const
{
    QStringList lines;
    lines.reserve(kept_.count());
    for (qsizetype i = kept_.firstIndex(); i <= kept_.lastIndex(); ++i)
        lines << kept_.at(i);
    return lines;
}

QByteArray LineTrace::Text() const
{
    QByteArray text;
    for (const QString &line : Lines())
        text += line.toUtf8() + '\n';
    return text;
}

} // namespace ksr
