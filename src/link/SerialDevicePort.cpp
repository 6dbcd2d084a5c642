#include "link/SerialDevicePort.h"

#include "link/LinkLogging.h"
#include "link/PortHolder.h"

namespace ksr {

SerialDevicePort::SerialDevicePort(Clock &clock, std::function<QString(int)> pathForNumber)
    : BufferedPort(clock, std::move(pathForNumber), serial_)
{
    serial_.setReadBufferSize(ReadChunkBytes);
    // QSerialPort emits readyRead from inside its own blocking waits too:
    // the handler only wakes a wait or tells of bytes between waits.
    QObject::connect(&serial_, &QSerialPort::readyRead, &serial_, [this] { DataArrived(); });
    QObject::connect(&serial_, &QSerialPort::errorOccurred, &serial_, [this](QSerialPort::SerialPortError error) {
        if (error != QSerialPort::NoError)
            TransportFailed();
    });
}

bool SerialDevicePort::OpenDevice(const QString &path)
{
    // The device itself, not a link to it: QSerialPort's lock file is named
    // after the path it opens, and two names of one device must share it.
    serial_.setPortName(SerialDeviceTarget(path));
    if (!serial_.open(QIODevice::ReadWrite)) {
        // Another program's lock file or exclusive open (TIOCEXCL, or
        // Windows's one opener) is told as a want of permission.
        if (serial_.error() == QSerialPort::PermissionError)
            inUse_ = PortInUseNote(path);
        qCDebug(LinkLog).noquote() << "cannot open" << path << serial_.errorString() << inUse_;
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

void SerialDevicePort::CloseDevice()
{
    inUse_.clear();
    if (serial_.isOpen())
        serial_.close();
    serial_.clearError();
}

void SerialDevicePort::ClearReceived()
{
    // What is dropped here still counts as arrived.
    ReadArrived();
    serial_.clear(QSerialPort::Input);
}

void SerialDevicePort::CloseOnFatalError()
{
    const QSerialPort::SerialPortError error = serial_.error();
    serial_.clearError();
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError)
        return;
    qCDebug(LinkLog).noquote() << "closing" << serial_.portName() << "after error" << error;
    serial_.close();
    serial_.clearError();
}

} // namespace ksr
