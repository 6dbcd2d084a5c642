#include "link/PortHolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QStringList>

namespace ksr {

namespace {

// The folders QSerialPort 6 keeps its lock files in, in its order.
QStringList LockFolders()
{
    return {QStringLiteral("/var/lock"),       QStringLiteral("/etc/locks"),  QStringLiteral("/var/spool/locks"),
            QStringLiteral("/var/spool/uucp"), QStringLiteral("/tmp"),        QStringLiteral("/var/tmp"),
            QStringLiteral("/var/lock/lockdev"), QStringLiteral("/run/lock"),
            QStandardPaths::writableLocation(QStandardPaths::TempLocation)};
}

// "LCK..ttyUSB0", the name of the lock file QSerialPort takes for `device`.
QString LockFileName(const QString &device)
{
    QString name = device.startsWith(QLatin1Char('/')) ? device : QStringLiteral("/dev/") + device;
    if (name.startsWith(QLatin1String("/dev/")))
        name = name.mid(5);
    return QStringLiteral("LCK..") + name.replace(QLatin1Char('/'), QLatin1Char('_'));
}

// "ksr704-remote, process 4242": the program whose lock file holds `device`.
QString LockHolder(const QString &device)
{
    const QString name = LockFileName(device);
    for (const QString &folder : LockFolders()) {
        const QString path = QDir(folder).filePath(name);
        if (!QFileInfo::exists(path))
            continue;
        qint64 pid = 0;
        QString host;
        QString program;
        if (!QLockFile(path).getLockInfo(&pid, &host, &program))
            return {};
        return program.isEmpty() ? QStringLiteral("process %1").arg(pid)
                                 : QStringLiteral("%1, process %2").arg(program).arg(pid);
    }
    return {};
}

// The other processes that have `device` open, as Linux lists them in /proc
// ("minicom, process 77"); none elsewhere or where we may not look.
QStringList OpenedBy(const QString &device)
{
    QStringList holders;
#ifdef Q_OS_LINUX
    const QString own = QString::number(QCoreApplication::applicationPid());
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        pid.toLongLong(&number);
        if (!number || pid == own)
            continue;
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        for (const QString &fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
            if (QFileInfo(fds.filePath(fd)).symLinkTarget() != device)
                continue;
            QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
            const QString program =
                comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed() : QString();
            holders << (program.isEmpty() ? QStringLiteral("process %1").arg(pid)
                                          : QStringLiteral("%1, process %2").arg(program, pid));
            break;
        }
    }
#else
    static_cast<void>(device);
#endif
    return holders;
}

} // namespace

QString SerialDeviceTarget(const QString &path)
{
#ifdef Q_OS_UNIX
    if (path.contains(QLatin1Char('/'))) {
        const QString target = QFileInfo(path).canonicalFilePath();
        if (!target.isEmpty())
            return target;
    }
#endif
    return path;
}

QString PortInUseNote(const QString &path)
{
    const QString device = SerialDeviceTarget(path);
#ifdef Q_OS_UNIX
    // Refused a device we may not open: not a matter of another program.
    const QFileInfo file(device.startsWith(QLatin1Char('/')) ? device : QStringLiteral("/dev/") + device);
    if (file.exists() && !(file.isReadable() && file.isWritable()))
        return {};
#endif
    QString holder = LockHolder(device);
    if (holder.isEmpty())
        holder = OpenedBy(device).join(QStringLiteral("; "));
    return holder.isEmpty() ? QStringLiteral("in use by another program")
                            : QStringLiteral("in use by another program (%1)").arg(holder);
}

} // namespace ksr
