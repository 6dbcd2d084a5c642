#include "link/SystemSerialPort.h"

#include "core/TcpAddress.h"

namespace ksr {

SystemSerialPort::SystemSerialPort(Clock &clock, std::function<QString(int)> pathForNumber)
    : pathForNumber_(std::move(pathForNumber)), serial_(clock, pathForNumber_), server_(clock, pathForNumber_)
{
}

bool SystemSerialPort::Open(int number)
{
    const int receiveSize = PickTransport(number);
    return current_->OpenPath(pathForNumber_(number), receiveSize);
}

bool SystemSerialPort::StartOpen(int number)
{
    PickTransport(number);
    return current_->StartOpen(number);
}

int SystemSerialPort::PickTransport(int number)
{
    current_->Close();
    // The receive size set last holds for whichever transport opens.
    const int receiveSize = current_->ReceiveSize();
    current_ = IsTcpPath(pathForNumber_(number)) ? static_cast<BufferedPort *>(&server_) : &serial_;
    return receiveSize;
}

void SystemSerialPort::SetArrivalHandler(std::function<void()> handler)
{
    serial_.SetArrivalHandler(handler);
    server_.SetArrivalHandler(std::move(handler));
}

void SystemSerialPort::SetFailureHandler(std::function<void()> handler)
{
    serial_.SetFailureHandler(handler);
    server_.SetFailureHandler(std::move(handler));
}

} // namespace ksr
