#include "link/SystemSerialPort.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace ksr {

SystemSerialPort::SystemSerialPort(Clock &clock, std::function<QString(int)> pathForNumber)
    : clock_(clock), pathForNumber_(std::move(pathForNumber))
{
    // One loop and one timer serve every wait: a wait costs no allocation
    // and no new connection.
    waitDeadline_.setSingleShot(true);
    waitDeadline_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&waitDeadline_, &QTimer::timeout, &waitLoop_, &QEventLoop::quit);
    QObject::connect(&port_, &QSerialPort::readyRead, &waitLoop_, [this] {
        if (!waitLoop_.isRunning()) {
            if (arrivalHandler_)
                arrivalHandler_();
            return;
        }
        if (!wakeOnData_)
            return;
        dataArrived_ = true;
        waitLoop_.quit();
    });
    QObject::connect(&port_, &QSerialPort::errorOccurred, &waitLoop_, [this](QSerialPort::SerialPortError error) {
        if (error != QSerialPort::NoError && waitLoop_.isRunning())
            waitLoop_.quit();
    });
}

bool SystemSerialPort::Open(int number)
{
    Close();
    path_ = pathForNumber_(number);
    return !path_.isEmpty() && OpenPath();
}

bool SystemSerialPort::OpenPath()
{
    port_.setPortName(path_);
    if (!port_.open(QIODevice::ReadWrite)) {
        port_.clearError();
        return false;
    }
    const bool configured = port_.setBaudRate(QSerialPort::Baud4800) && port_.setDataBits(QSerialPort::Data8)
                            && port_.setParity(QSerialPort::NoParity) && port_.setStopBits(QSerialPort::OneStop)
                            && port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        port_.close();
        port_.clearError();
        return false;
    }
    // A freshly opened port starts with an empty receive buffer, whatever
    // the line delivered while nobody listened.
    port_.clear(QSerialPort::Input);
    buffer_.clear();
    return true;
}

void SystemSerialPort::Close()
{
    if (port_.isOpen())
        port_.close();
    port_.clearError();
    buffer_.clear();
}

bool SystemSerialPort::IsOpen() const
{
    return port_.isOpen();
}

bool SystemSerialPort::SetReceiveSize(int bytes)
{
    Close();
    receiveSize_ = bytes;
    return !path_.isEmpty() && OpenPath();
}

bool SystemSerialPort::Write(const QByteArray &bytes)
{
    if (!port_.isOpen())
        return false;
    if (port_.write(bytes) != bytes.size()) {
        CloseOnFatalError();
        return false;
    }
    // Hand the whole frame to the driver now; it is small.
    while (port_.bytesToWrite() > 0) {
        if (!port_.waitForBytesWritten(1000)) {
            CloseOnFatalError();
            return false;
        }
    }
    return true;
}

void SystemSerialPort::TakeIn()
{
    if (!port_.isOpen())
        return;
    // A zero wait lets QSerialPort read what the driver holds without blocking.
    if (port_.bytesAvailable() == 0 && !port_.waitForReadyRead(0))
        CloseOnFatalError();
    const QByteArray arrived = port_.readAll();
    const qsizetype room = receiveSize_ - buffer_.size();
    if (room > 0)
        buffer_.append(arrived.left(room));
}

int SystemSerialPort::BytesWaiting()
{
    TakeIn();
    return static_cast<int>(buffer_.size());
}

QByteArray SystemSerialPort::Read(int count)
{
    TakeIn();
    const QByteArray taken = buffer_.left(count);
    buffer_.remove(0, taken.size());
    return taken;
}

void SystemSerialPort::DiscardInput()
{
    TakeIn();
    buffer_.clear();
}

QByteArray SystemSerialPort::DiscardUntil(double t)
{
    QByteArray dropped = buffer_;
    buffer_.clear();
    while (port_.isOpen()) {
        const QByteArray arrived = port_.readAll();
        // The time is taken after the read: what was read surely came before it.
        const double now = clock_.NowSeconds();
        if (now >= t) {
            buffer_.append(arrived.left(receiveSize_));
            break;
        }
        dropped.append(arrived);
        WaitForDriver(t - now, true);
    }
    return dropped;
}

bool SystemSerialPort::WaitForDriver(double seconds, bool wakeOnData)
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
        if (port_.waitForReadyRead(timeout))
            return true;
        CloseOnFatalError();
        return false;
    };
    if (QCoreApplication::instance() == nullptr || waitLoop_.isRunning())
        return blockingWait();
    if (timeout <= 0 && !wakeOnData)
        return false;
    wakeOnData_ = wakeOnData;
    dataArrived_ = false;
    waitDeadline_.start(timeout);
    // A loop started after the program was told to quit returns at once
    // (-1); the remaining waits then block rather than spin.
    const int result = waitLoop_.exec();
    waitDeadline_.stop();
    wakeOnData_ = false;
    if (result != 0)
        return blockingWait();
    if (dataArrived_ || port_.bytesAvailable() > 0)
        return true;
    CloseOnFatalError();
    return false;
}

bool SystemSerialPort::WaitForBytes(int count, double deadline)
{
    TakeIn();
    // The missing bytes need their time on the 4800 baud line: the last one
    // cannot arrive sooner than the others' line time from now. The wait
    // sleeps through that, woken only by the window system, so that an
    // answer costs a few wake-ups, not one for each byte.
    const qsizetype missing = count - buffer_.size();
    if (missing > 1 && port_.isOpen()) {
        const double quiet = std::min(double(missing - 1) * WireByteSeconds, deadline - clock_.NowSeconds());
        WaitForDriver(quiet, false);
        TakeIn();
    }
    while (buffer_.size() < count) {
        const double remaining = deadline - clock_.NowSeconds();
        if (remaining < 0 || !port_.isOpen())
            return false;
        if (WaitForDriver(remaining, true))
            TakeIn();
    }
    return true;
}

void SystemSerialPort::CloseOnFatalError()
{
    const QSerialPort::SerialPortError error = port_.error();
    port_.clearError();
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError)
        return;
    port_.close();
    port_.clearError();
}

} // namespace ksr
