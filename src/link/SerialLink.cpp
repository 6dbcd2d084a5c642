#include "link/SerialLink.h"

#include <algorithm>

namespace ksr {

SerialLink::SerialLink(AppState &state, SerialPort &port, Clock &clock, UserDialogs &dialogs, ProgramEnd &end)
    : state_(state), port_(port), clock_(clock), dialogs_(dialogs), end_(end)
{
}

void SerialLink::OpenPort()
{
    if (port_.IsOpen())
        port_.Close();
    const bool opened = port_.Open(state_.PortNumber);
    state_.PortOpened = opened;
    state_.PortUsable = opened;
}

void SerialLink::SetReceiveSize(int bytes)
{
    // A port that cannot be reopened stays closed; the next exchange then
    // finds no reply and ends in "Time out" like a silent device.
    port_.SetReceiveSize(bytes);
}

bool SerialLink::SendingOff() const
{
    return state_.DemoMode || state_.SendSuppressed || state_.ProgramEnding;
}

bool SerialLink::WriteFrame(const FrameArgs &args)
{
    state_.TxFrame = BuildFrame(args);
    QByteArray bytes(TxFrameBytes, Qt::Uninitialized);
    std::copy(state_.TxFrame.begin(), state_.TxFrame.end(), bytes.begin());
    const bool written = port_.Write(bytes);
    if (afterWrite_)
        afterWrite_();
    return written;
}

void SerialLink::TakeReply(int count)
{
    const QByteArray bytes = port_.Read(count);
    std::copy(bytes.begin(), bytes.end(), state_.RxBuffer.begin());
    port_.DiscardInput();
}

void SerialLink::TimeOut()
{
    // Nothing may be sent or read any more, not even from events that run
    // while the message box is open.
    state_.ProgramEnding = true;
    dialogs_.ShowMessage({QStringLiteral("Time out"), QString::fromLatin1(ApplicationTitle),
                          MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok});
    end_.EndProgram(TimeOutExitCode);
}

bool SerialLink::WaitForReply(int count, double limit)
{
    const double start = clock_.NowSeconds();
    while (clock_.NowSeconds() - start <= limit) {
        if (port_.BytesWaiting() >= count)
            return true;
        port_.WaitForBytes(count, start + limit);
    }
    return false;
}

SerialLink::SendResult SerialLink::SendWithResends(const FrameArgs &args, int count, double limit,
                                                  bool isBlock)
{
    for (int sends = 1; sends <= MaxSends; ++sends) {
        // Bytes already waiting count towards a reply: the receive buffer is
        // not emptied before a send. A block is the exception on a resend:
        // the part of a block cut short, topped up by the start of the next
        // one, would be a corrupt preset.
        if (isBlock && sends > 1)
            port_.DiscardInput();
        if (!WriteFrame(args) && isBlock)
            return SendResult::PortFailed;
        if (WaitForReply(count, limit))
            return SendResult::Answered;
    }
    TimeOut();
    return SendResult::TimedOut;
}

void SerialLink::ExchangeCommand(const FrameArgs &args)
{
    if (SendingOff())
        return;
    // A failed write counts as a missing reply: resends and "Time out" follow.
    if (SendWithResends(args, ReplyBytes, ReplyTimeoutSeconds, false) == SendResult::Answered)
        TakeReply(ReplyBytes);
}

bool SerialLink::ProbeDevice(const FrameArgs &args)
{
    if (SendingOff() || !state_.PortUsable)
        return false;
    if (!WriteFrame(args) || !WaitForReply(ReplyBytes, ReplyTimeoutSeconds))
        return false;
    TakeReply(ReplyBytes);
    return state_.RxBuffer[3] == FrameMarker;
}

bool SerialLink::ReadBlock(const FrameArgs &args)
{
    if (SendingOff() || !state_.PortUsable)
        return false;
    if (SendWithResends(args, BlockBytes, BlockTimeoutSeconds, true) != SendResult::Answered)
        return false;
    TakeReply(BlockBytes);
    return true;
}

bool SerialLink::ReadPresetBlock(std::uint8_t selector)
{
    SetReceiveSize(BlockBytes);
    const bool read = ReadBlock({ReadPresetCommand, selector, 0, 0, 0, 0, 0});
    SetReceiveSize(ReplyBytes);
    return read;
}

bool SerialLink::TakeNotification()
{
    if (state_.DemoMode || state_.ProgramEnding || port_.BytesWaiting() < ReplyBytes)
        return false;
    const QByteArray bytes = port_.Read(ReplyBytes);
    std::copy_n(bytes.begin(), std::min<qsizetype>(bytes.size(), 7), state_.RxBuffer.begin());
    port_.DiscardInput();
    return true;
}

void SerialLink::SendWithoutReply(const FrameArgs &args)
{
    if (SendingOff())
        return;
    WriteFrame(args);
}

} // namespace ksr
