#include "sim/SimProcess.h"

#include <QDeadlineTimer>

#include <signal.h>

namespace ksr::sim {

SimProcess::SimProcess(QString program)
    : program_(std::move(program))
{
}

SimProcess::~SimProcess()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(DefaultTimeoutMs)) {
        process_.kill();
        process_.waitForFinished(DefaultTimeoutMs);
    }
}

bool SimProcess::Start(const QStringList &arguments, int timeoutMs)
{
    QStringList withLink = arguments;
    const qsizetype given = arguments.indexOf(QStringLiteral("--link"));
    if (arguments.contains(QStringLiteral("--tcp"))) {
        linkPath_.clear(); // a socket: clients connect to the tcp:// address printed
    } else if (given >= 0 && given + 1 < arguments.size()) {
        linkPath_ = arguments.at(given + 1);
    } else if (linkFolder_.isValid()) {
        linkPath_ = linkFolder_.filePath(QStringLiteral("ksr704"));
        withLink << QStringLiteral("--link") << linkPath_;
    }
    process_.start(program_, withLink);
    const QDeadlineTimer deadline(timeoutMs);
    while (!process_.canReadLine()) {
        if (deadline.hasExpired() || !process_.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return false;
    }
    path_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    return !path_.isEmpty();
}

bool SimProcess::Stop(int endSignal, int timeoutMs)
{
    if (process_.state() == QProcess::NotRunning)
        return false;
    ::kill(static_cast<pid_t>(process_.processId()), endSignal);
    return process_.waitForFinished(timeoutMs) && process_.exitStatus() == QProcess::NormalExit
        && process_.exitCode() == 0;
}

} // namespace ksr::sim
