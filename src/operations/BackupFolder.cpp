#include "operations/BackupFolder.h"

#include "core/AnsiText.h"

namespace ksr {

namespace {

constexpr int NameBytesLength = 8;

// True for a character that has no place in a file name on some system.
bool UnsafeInFileName(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7F || QStringLiteral("/\\:*?\"<>|").contains(c);
}

// The 2-digit number at `at`, 5..20; 0 when it is not one.
int EntryAt(const QByteArray &bytes, qsizetype at)
{
    bool ok = false;
    const int entry = bytes.mid(at, 2).toInt(&ok, 10);
    return ok && entry >= 5 && entry <= 20 ? entry : 0;
}

} // namespace

QString PresetFileName(int entry, const QByteArray &nameBytes)
{
    QString name = AnsiToString(nameBytes).trimmed();
    for (QChar &c : name) {
        if (UnsafeInFileName(c))
            c = QLatin1Char('_');
    }
    const QString number = QStringLiteral("%1").arg(entry, 2, 10, QLatin1Char('0'));
    return name.isEmpty() ? number + QStringLiteral(".Fbk") : QStringLiteral("%1-%2.Fbk").arg(number, name);
}

QByteArray DirectoryBytes(const BackupDirectory &directory)
{
    QByteArray bytes;
    for (std::size_t i = 0; i < directory.size(); ++i) {
        const BackupEntry &entry = directory[i];
        bytes += QByteArray::number(static_cast<int>(i) + 5).rightJustified(2, '0');
        bytes += ' ';
        bytes += entry.used ? entry.name.leftJustified(NameBytesLength, ' ', true) : QByteArray(NameBytesLength, ' ');
        bytes += entry.used ? " used " + entry.fileName.toUtf8() : QByteArray(" empty -");
        bytes += '\n';
    }
    return bytes;
}

std::optional<BackupDirectory> ParseDirectory(const QByteArray &bytes, QString *error)
{
    BackupDirectory directory;
    qsizetype at = 0;
    for (std::size_t i = 0; i < directory.size(); ++i) {
        const int expected = static_cast<int>(i) + 5;
        const auto fail = [&](const QString &why) {
            *error = QStringLiteral("line %1 (entry %2): %3").arg(i + 1).arg(expected).arg(why);
            return std::nullopt;
        };
        // "NN " + 8 name bytes + " ", then the rest of the line.
        if (bytes.size() < at + 3 + NameBytesLength + 1 || EntryAt(bytes, at) != expected || bytes[at + 2] != ' '
            || bytes[at + 3 + NameBytesLength] != ' ')
            return fail(QStringLiteral("expected \"%1 \", 8 name bytes and a space").arg(expected, 2, 10, QLatin1Char('0')));
        BackupEntry &entry = directory[i];
        entry.name = bytes.mid(at + 3, NameBytesLength);
        at += 3 + NameBytesLength + 1;
        const qsizetype end = bytes.indexOf('\n', at);
        if (end < 0)
            return fail(QStringLiteral("the line has no end"));
        const QByteArray rest = bytes.mid(at, end - at);
        at = end + 1;
        if (rest == "empty -") {
            entry.name = QByteArray(NameBytesLength, ' ');
            continue;
        }
        if (!rest.startsWith("used ") || rest.size() == 5)
            return fail(QStringLiteral("expected \"used FILE\" or \"empty -\""));
        entry.used = true;
        entry.fileName = QString::fromUtf8(rest.mid(5));
        if (entry.fileName.contains(QLatin1Char('/')) || entry.fileName.contains(QLatin1Char('\\'))
            || entry.fileName == QStringLiteral("..") || entry.fileName == QStringLiteral("."))
            return fail(QStringLiteral("file \"%1\" is not in the folder").arg(entry.fileName));
    }
    if (at != bytes.size()) {
        *error = QStringLiteral("more than %1 lines").arg(BackupEntries);
        return std::nullopt;
    }
    return directory;
}

} // namespace ksr
