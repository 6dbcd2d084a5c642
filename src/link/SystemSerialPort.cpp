#include "link/SystemSerialPort.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <cmath>

namespace ksr {

SystemSerialPort::SystemSerialPort(Clock &clock, std::function<QString(int)> pathForNumber)
    : clock_(clock), pathForNumber_(std::move(pathForNumber))
{
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
        WaitForDriver(t - now);
    }
    return dropped;
}

bool SystemSerialPort::WaitForDriver(double seconds)
{
    // The wait runs a local event loop rather than waitForReadyRead(): the
    // windows go on painting and answering the desktop while the device is
    // awaited. The program's wait filter keeps input and its own timers out
    // meanwhile, so that nothing else can act or start an exchange. The loop
    // wakes on the port's notifier, so an answer costs no polling.
    const int ms = static_cast<int>(std::ceil(seconds * 1000.0)) + 1;
    const auto blockingWait = [&] {
        if (port_.waitForReadyRead(ms))
            return true;
        CloseOnFatalError();
        return false;
    };
    if (QCoreApplication::instance() == nullptr)
        return blockingWait();
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    bool arrived = false;
    QObject::connect(&port_, &QSerialPort::readyRead, &loop, [&] {
        arrived = true;
        loop.quit();
    });
    QObject::connect(&port_, &QSerialPort::errorOccurred, &loop, [&](QSerialPort::SerialPortError error) {
        if (error != QSerialPort::NoError)
            loop.quit();
    });
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(ms);
    // A loop started after the program was told to quit returns at once
    // (-1); the remaining waits then block rather than spin.
    if (loop.exec() != 0)
        return blockingWait();
    if (arrived || port_.bytesAvailable() > 0)
        return true;
    CloseOnFatalError();
    return false;
}

bool SystemSerialPort::WaitForBytes(int count, double deadline)
{
    TakeIn();
    while (buffer_.size() < count) {
        const double remaining = deadline - clock_.NowSeconds();
        if (remaining < 0 || !port_.isOpen())
            return false;
        if (WaitForDriver(remaining))
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
