#include "link/BufferedPort.h"

#include "core/Frames.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QThread>

#include <algorithm>
#include <cmath>

namespace ksr {

BufferedPort::BufferedPort(Clock &clock, std::function<QString(int)> pathForNumber, QIODevice &device)
    : clock_(clock), pathForNumber_(std::move(pathForNumber)), device_(device)
{
    // One loop and one timer serve every wait: a wait costs no allocation
    // and no new connection.
    waitDeadline_.setSingleShot(true);
    waitDeadline_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&waitDeadline_, &QTimer::timeout, &waitLoop_, &QEventLoop::quit);
}

void BufferedPort::DataArrived()
{
    if (!waitLoop_.isRunning()) {
        if (arrivalHandler_)
            arrivalHandler_();
        return;
    }
    if (!wakeOnData_)
        return;
    dataArrived_ = true;
    waitLoop_.quit();
}

void BufferedPort::EndWait()
{
    if (waitLoop_.isRunning())
        waitLoop_.quit();
}

void BufferedPort::TransportFailed()
{
    if (waitLoop_.isRunning()) {
        waitLoop_.quit();
        return;
    }
    // Told once for a port that was opened and not closed on purpose.
    if (!lineUp_)
        return;
    CloseOnFatalError();
    if (IsOpen())
        return;
    lineUp_ = false;
    if (failureHandler_)
        failureHandler_();
}

double BufferedPort::LineByteSeconds() const
{
    return WireByteSeconds;
}

bool BufferedPort::Open(int number)
{
    return OpenPath(pathForNumber_(number), receiveSize_);
}

bool BufferedPort::OpenPath(const QString &path, int receiveSize)
{
    Close();
    path_ = path;
    receiveSize_ = receiveSize;
    if (path_.isEmpty() || !OpenDevice(path_))
        return false;
    Opened();
    return true;
}

void BufferedPort::Opened()
{
    // A freshly opened port starts with an empty receive buffer, whatever
    // the line delivered while nobody listened.
    ClearReceived();
    buffer_.clear();
    lineUp_ = true;
}

bool BufferedPort::StartOpen(int number)
{
    Close();
    path_ = pathForNumber_(number);
    if (path_.isEmpty() || !StartOpenDevice(path_))
        return false;
    opening_ = true;
    OpenPending();
    return true;
}

bool BufferedPort::OpenPending()
{
    if (!opening_)
        return false;
    if (DeviceOpenPending())
        return true;
    opening_ = false;
    if (IsOpen())
        Opened();
    return false;
}

QByteArray BufferedPort::ReadArrived()
{
    const QByteArray arrived = device_.read(ReadChunkBytes);
    arrived_ += arrived.size();
    return arrived;
}

void BufferedPort::Close()
{
    lineUp_ = false;
    opening_ = false;
    CloseDevice();
    buffer_.clear();
}

bool BufferedPort::SetReceiveSize(int bytes)
{
    // What arrived before the port closes is counted, then dropped.
    if (IsOpen())
        TakeIn();
    return OpenPath(path_, bytes);
}

void BufferedPort::RestartReceiving(int bytes)
{
    receiveSize_ = bytes;
    ClearReceived();
    buffer_.clear();
}

bool BufferedPort::Write(const QByteArray &bytes)
{
    if (!IsOpen())
        return false;
    if (device_.write(bytes) != bytes.size()) {
        CloseOnFatalError();
        return false;
    }
    // Hand the whole frame to the driver now; it is small.
    while (device_.bytesToWrite() > 0) {
        if (!device_.waitForBytesWritten(1000)) {
            CloseOnFatalError();
            return false;
        }
    }
    return true;
}

void BufferedPort::TakeIn()
{
    // What a dropped connection delivered before it ended is still taken.
    if (!device_.isOpen())
        return;
    // A zero wait lets Qt read what the driver holds without blocking.
    if (device_.bytesAvailable() == 0 && !device_.waitForReadyRead(0))
        CloseOnFatalError();
    const QByteArray arrived = ReadArrived();
    const qsizetype room = receiveSize_ - buffer_.size();
    if (room > 0)
        buffer_.append(arrived.left(room));
}

int BufferedPort::BytesWaiting()
{
    TakeIn();
    return static_cast<int>(buffer_.size());
}

QByteArray BufferedPort::Read(int count)
{
    TakeIn();
    const QByteArray taken = buffer_.left(count);
    buffer_.remove(0, taken.size());
    return taken;
}

void BufferedPort::DiscardInput()
{
    TakeIn();
    buffer_.clear();
}

QByteArray BufferedPort::DiscardUntil(double t)
{
    QByteArray dropped = buffer_;
    buffer_.clear();
    while (device_.isOpen()) {
        const QByteArray arrived = ReadArrived();
        // The time is taken after the read: what was read surely came before it.
        const double now = clock_.NowSeconds();
        if (now >= t) {
            buffer_.append(arrived.left(receiveSize_));
            break;
        }
        dropped.append(arrived.left(std::max<qsizetype>(0, receiveSize_ - dropped.size())));
        WaitForDriver(t - now, true);
    }
    return dropped;
}

bool BufferedPort::WaitForDriver(double seconds, bool wakeOnData)
{
    // The wait runs a local event loop rather than waitForReadyRead(): the
    // windows go on painting and answering the desktop while the device is
    // awaited. The program's wait filter keeps input and its own timers out
    // meanwhile, so that nothing else can act or start an exchange. The loop
    // wakes on the port's notifier, so an answer costs no polling.
    // A wait for data lasts a whole millisecond past the time, so that it has
    // passed; a quiet one ends up to a millisecond early instead.
    const double ms = seconds * 1000.0;
    const int timeout = wakeOnData ? static_cast<int>(std::ceil(ms)) + 1 : static_cast<int>(std::floor(ms));
    const auto blockingWait = [&] {
        if (!wakeOnData) {
            QThread::msleep(static_cast<unsigned long>(std::max(0, timeout)));
            return false;
        }
        if (device_.waitForReadyRead(timeout))
            return true;
        CloseOnFatalError();
        return false;
    };
    if (timeout <= 0 && !wakeOnData)
        return false;
    wakeOnData_ = wakeOnData;
    dataArrived_ = false;
    const bool ran = RunWaitLoop(timeout);
    wakeOnData_ = false;
    if (!ran)
        return blockingWait();
    if (dataArrived_ || device_.bytesAvailable() > 0)
        return true;
    CloseOnFatalError();
    return false;
}

bool BufferedPort::RunWaitLoop(int ms)
{
    if (QCoreApplication::instance() == nullptr || waitLoop_.isRunning())
        return false;
    waitDeadline_.start(ms);
    // A loop started after the program was told to quit returns at once
    // (-1); the remaining waits then block rather than spin.
    const int result = waitLoop_.exec();
    waitDeadline_.stop();
    return result == 0;
}

bool BufferedPort::WaitForBytes(int count, double deadline)
{
    TakeIn();
    // The missing bytes need their time on the 4800 baud line: the last one
    // cannot arrive sooner than the others' line time from now. The wait
    // sleeps through that, woken only by the window system, so that an
    // answer costs a few wake-ups, not one for each byte.
    const qsizetype missing = count - buffer_.size();
    if (missing > 1 && IsOpen()) {
        const double quiet = std::min(double(missing - 1) * WireByteSeconds, deadline - clock_.NowSeconds());
        WaitForDriver(quiet, false);
        TakeIn();
    }
    while (buffer_.size() < count) {
        const double remaining = deadline - clock_.NowSeconds();
        if (remaining < 0 || !IsOpen())
            return false;
        if (WaitForDriver(remaining, true))
            TakeIn();
    }
    return true;
}

} // namespace ksr
