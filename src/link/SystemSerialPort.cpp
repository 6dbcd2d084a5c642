#include "link/SystemSerialPort.h"

#include "core/TcpAddress.h"

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
    const auto arrived = [this] {
        if (!waitLoop_.isRunning()) {
            if (arrivalHandler_)
                arrivalHandler_();
            return;
        }
        if (!wakeOnData_)
            return;
        dataArrived_ = true;
        waitLoop_.quit();
    };
    const auto endWait = [this] {
        if (waitLoop_.isRunning())
            waitLoop_.quit();
    };
    serial_.setReadBufferSize(ReadChunkBytes);
    server_.setReadBufferSize(ReadChunkBytes);
    QObject::connect(&serial_, &QSerialPort::readyRead, &waitLoop_, arrived);
    QObject::connect(&server_, &QTcpSocket::readyRead, &waitLoop_, arrived);
    QObject::connect(&serial_, &QSerialPort::errorOccurred, &waitLoop_, [endWait](QSerialPort::SerialPortError error) {
        if (error != QSerialPort::NoError)
            endWait();
    });
    // A connection made, refused or dropped ends the wait for it.
    QObject::connect(&server_, &QTcpSocket::errorOccurred, &waitLoop_, endWait);
    QObject::connect(&server_, &QTcpSocket::connected, &waitLoop_, endWait);
    QObject::connect(&server_, &QTcpSocket::disconnected, &waitLoop_, endWait);
}

bool SystemSerialPort::Open(int number)
{
    Close();
    path_ = pathForNumber_(number);
    return !path_.isEmpty() && OpenPath();
}

bool SystemSerialPort::OpenPath()
{
    device_ = IsTcpPath(path_) ? static_cast<QIODevice *>(&server_) : &serial_;
    if (!(device_ == &server_ ? ConnectToServer() : OpenSerialDevice()))
        return false;
    // A freshly opened port starts with an empty receive buffer, whatever
    // the line delivered while nobody listened.
    ClearReceived();
    buffer_.clear();
    return true;
}

bool SystemSerialPort::OpenSerialDevice()
{
    serial_.setPortName(path_);
    if (!serial_.open(QIODevice::ReadWrite)) {
        serial_.clearError();
        return false;
    }
    const bool configured = serial_.setBaudRate(QSerialPort::Baud4800) && serial_.setDataBits(QSerialPort::Data8)
                            && serial_.setParity(QSerialPort::NoParity) && serial_.setStopBits(QSerialPort::OneStop)
                            && serial_.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        serial_.close();
        serial_.clearError();
        return false;
    }
    return true;
}

bool SystemSerialPort::ConnectToServer()
{
    const std::optional<TcpAddress> address = ParseTcpAddress(path_);
    if (!address)
        return false;
    // The connection is awaited in the wait loop, so that the windows go
    // on painting meanwhile; a host name is looked up there too.
    server_.connectToHost(address->host, address->port);
    if (server_.state() != QAbstractSocket::ConnectedState && !RunWaitLoop(ConnectTimeoutMs))
        server_.waitForConnected(ConnectTimeoutMs);
    if (server_.state() != QAbstractSocket::ConnectedState) {
        server_.abort();
        return false;
    }
    // Each frame leaves at once, not held back to be sent with the next.
    server_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    return true;
}

void SystemSerialPort::ClearReceived()
{
    // What is dropped here still counts as arrived.
    if (device_ == &serial_) {
        ReadArrived();
        serial_.clear(QSerialPort::Input);
        return;
    }
    server_.waitForReadyRead(0);
    ReadArrived();
}

QByteArray SystemSerialPort::ReadArrived()
{
    const QByteArray arrived = device_->read(ReadChunkBytes);
    arrived_ += arrived.size();
    return arrived;
}

void SystemSerialPort::Close()
{
    if (serial_.isOpen())
        serial_.close();
    serial_.clearError();
    server_.abort();
    buffer_.clear();
}

bool SystemSerialPort::IsOpen() const
{
    return device_ == &server_ ? server_.state() == QAbstractSocket::ConnectedState : serial_.isOpen();
}

bool SystemSerialPort::SetReceiveSize(int bytes)
{
    // A connection that stands is kept: reconnecting would cost the server
    // a new session, and emptying the buffer is what reopening achieves.
    if (device_ == &server_ && IsOpen()) {
        receiveSize_ = bytes;
        ClearReceived();
        buffer_.clear();
        return true;
    }
    // What arrived before the port closes is counted, then dropped.
    if (IsOpen())
        TakeIn();
    Close();
    receiveSize_ = bytes;
    return !path_.isEmpty() && OpenPath();
}

bool SystemSerialPort::Write(const QByteArray &bytes)
{
    if (!IsOpen())
        return false;
    if (device_->write(bytes) != bytes.size()) {
        CloseOnFatalError();
        return false;
    }
    // Hand the whole frame to the driver now; it is small.
    while (device_->bytesToWrite() > 0) {
        if (!device_->waitForBytesWritten(1000)) {
            CloseOnFatalError();
            return false;
        }
    }
    return true;
}

void SystemSerialPort::TakeIn()
{
    // What a dropped connection delivered before it ended is still taken.
    if (!device_->isOpen())
        return;
    // A zero wait lets Qt read what the driver holds without blocking.
    if (device_->bytesAvailable() == 0 && !device_->waitForReadyRead(0))
        CloseOnFatalError();
    const QByteArray arrived = ReadArrived();
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
    while (device_->isOpen()) {
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
        if (device_->waitForReadyRead(timeout))
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
    if (dataArrived_ || device_->bytesAvailable() > 0)
        return true;
    CloseOnFatalError();
    return false;
}

bool SystemSerialPort::RunWaitLoop(int ms)
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

bool SystemSerialPort::WaitForBytes(int count, double deadline)
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

void SystemSerialPort::CloseOnFatalError()
{
    if (device_ == &server_) {
        // A wait that timed out leaves the connection standing; a refused,
        // reset or ended one is gone for good.
        if (server_.state() != QAbstractSocket::ConnectedState)
            server_.abort();
        return;
    }
    const QSerialPort::SerialPortError error = serial_.error();
    serial_.clearError();
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError)
        return;
    serial_.close();
    serial_.clearError();
}

} // namespace ksr
