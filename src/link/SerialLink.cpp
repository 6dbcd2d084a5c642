#include "link/SerialLink.h"

#include "core/Protocol.h"
#include "link/LinkLogging.h"

#include <algorithm>
#include <utility>

namespace ksr {

namespace {

// The marks of a trace line, those that say something.
QString Marks(std::initializer_list<QString> marks)
{
    QStringList said;
    for (const QString &mark : marks) {
        if (!mark.isEmpty())
            said << mark;
    }
    return said.join(QStringLiteral("; "));
}

QString BytesMark(qint64 count, const char *what)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1StringView(what));
}

} // namespace

// One operation on the line, from its first write to its answer taken in;
// the program hears when the outermost one begins and ends.
class SerialLink::Operation {
public:
    explicit Operation(SerialLink &link) : link_(link)
    {
        if (link_.operations_++ == 0 && link_.busyChanged_)
            link_.busyChanged_(true);
    }
    ~Operation()
    {
        if (--link_.operations_ == 0 && link_.busyChanged_)
            link_.busyChanged_(false);
    }
    Operation(const Operation &) = delete;
    Operation &operator=(const Operation &) = delete;

private:
    SerialLink &link_;
};

// The time the port waits for the device: no operation may start then.
class SerialLink::WaitScope {
public:
    explicit WaitScope(SerialLink &link) : link_(link), was_(std::exchange(link.waiting_, true)) {}
    ~WaitScope() { link_.waiting_ = was_; }
    WaitScope(const WaitScope &) = delete;
    WaitScope &operator=(const WaitScope &) = delete;

private:
    SerialLink &link_;
    bool was_;
};

SerialLink::SerialLink(AppState &state, SerialPort &port, Clock &clock, UserDialogs &dialogs, ProgramEnd &end)
    : state_(state), port_(port), clock_(clock), dialogs_(dialogs), end_(end), trace_(clock)
{
}

void SerialLink::OpenPort()
{
    // Opening may wait for a device server's connection: an operation,
    // during which nothing may act or send.
    const Operation operation(*this);
    const WaitScope wait(*this);
    if (port_.IsOpen())
        port_.Close();
    const bool opened = port_.Open(portNumber_);
    portOpened_ = opened;
    portUsable_ = opened;
    const QString inUse = port_.PortInUse();
    const QString what = QStringLiteral("port %1 %2")
                             .arg(portNumber_)
                             .arg(opened ? QStringLiteral("opened")
                                         : inUse.isEmpty() ? QStringLiteral("did not open")
                                                           : QStringLiteral("did not open: ") + inUse);
    qCDebug(LinkLog).noquote() << what;
    trace_.Record(LineTrace::NoExchange, -1, what);
}

QString SerialLink::PortInUse() const
{
    return port_.PortInUse();
}

void SerialLink::SetReceiveSize(int bytes)
{
    // A port that cannot be reopened stays closed; the next exchange then
    // finds no reply and ends in "Time out" like a silent device. Reopening
    // may wait for a connection, as opening does.
    const Operation operation(*this);
    const WaitScope wait(*this);
    const bool reopened = port_.SetReceiveSize(bytes);
    const QString what = QStringLiteral("receive size %1").arg(bytes);
    qCDebug(LinkLog).noquote() << what << (reopened ? "" : "(the port did not reopen)");
    trace_.Record(LineTrace::NoExchange, -1, what, {}, reopened ? QString() : QStringLiteral("port did not reopen"));
}

bool SerialLink::SendingOff() const
{
    // While the port waits, the one receive buffer belongs to the waiting
    // exchange: nothing that runs then may start another one.
    return ProbingOff() || state_.DeviceLost;
}

bool SerialLink::ProbingOff() const
{
    return state_.DemoMode || state_.SendSuppressed || state_.ProgramEnding || waiting_;
}

bool SerialLink::WriteFrame(const FrameArgs &args, bool answered)
{
    txFrame_ = BuildFrame(args);
    QByteArray bytes(TxFrameBytes, Qt::Uninitialized);
    std::copy(txFrame_.begin(), txFrame_.end(), bytes.begin());
    const bool written = port_.Write(bytes);
    trace_.Record(answered ? serial_ : LineTrace::NoExchange, answered ? resend_ : -1, QStringLiteral("sent"), bytes,
                  written ? QString() : QStringLiteral("write failed"));
    return written;
}

bool SerialLink::SendFrame(const FrameArgs &args, double *sentAt)
{
    *sentAt = clock_.NowSeconds();
    if (!WriteFrame(args, true))
        return false;
    // Until our frame has crossed the line and the first byte of an answer
    // could have come back, no byte of the answer can be here: what arrives
    // before then is the tail of an earlier answer (a late reply, extra
    // bytes) or a report that was already on its way. It is dropped, so that
    // one stray answer shifts no later reply. On a real line no answer byte
    // comes sooner, so this costs no time.
    QByteArray dropped;
    {
        const WaitScope wait(*this);
        dropped = port_.DiscardUntil(*sentAt + (TxFrameBytes + 1) * port_.LineByteSeconds());
    }
    KeepStrayReport(dropped);
    // What was dropped belongs to no answer: it may be the rest of the last
    // one, which then came mis-framed. What stays is this answer's start.
    const qint64 waiting = port_.BytesWaiting();
    if (const qint64 stray = UnaccountedBytes() - waiting; stray > 0) {
        const QString marks = MarkUnsound();
        trace_.Record(serial_, resend_, QStringLiteral("stray"), dropped,
                      Marks({BytesMark(stray, "bytes of no answer before this one"), marks}));
    }
    accounted_ = port_.BytesArrived() - waiting;
    return true;
}

qint64 SerialLink::UnaccountedBytes() const
{
    return port_.BytesArrived() - accounted_;
}

qint64 SerialLink::DropWaiting()
{
    port_.DiscardInput();
    const qint64 unaccounted = UnaccountedBytes();
    accounted_ = port_.BytesArrived();
    return unaccounted;
}

QString SerialLink::MarkUnsound(quint64 first)
{
    // Enough marks for any one read to ask about its answers.
    constexpr std::size_t KeptMarks = 4096;
    const quint64 from = std::max({first, settled_ + 1, serial_ > KeptMarks ? serial_ - KeptMarks : 1});
    for (quint64 serial = from; serial <= serial_; ++serial)
        unsound_.insert(serial);
    while (unsound_.size() > KeptMarks)
        unsound_.erase(unsound_.begin());
    if (from > serial_)
        return {};
    return from == serial_ ? QStringLiteral("unsound #%1").arg(serial_)
                           : QStringLiteral("unsound #%1-#%2").arg(from).arg(serial_);
}

QString SerialLink::MarkUnsound()
{
    return MarkUnsound(serial_ > 1 ? serial_ - 1 : 1);
}

bool SerialLink::AwaitQuietLine()
{
    if (SendingOff())
        return false;
    // Quiet since the last answer already, or closed for good after a
    // failure, which brings nothing more: nothing to wait for.
    if ((settled_ == serial_ && UnaccountedBytes() == 0) || !port_.IsOpen()) {
        settled_ = serial_;
        return true;
    }
    const Operation operation(*this);
    const WaitScope wait(*this);
    const double giveUp = clock_.NowSeconds() + MaxSends * ReplyTimeoutSeconds;
    for (;;) {
        // Bytes after the last answer was taken: one stray answer may have
        // shifted every answer since the line was last quiet by as much.
        if (const qint64 stray = DropWaiting(); stray > 0) {
            const QString marks = MarkUnsound(settled_ + 1);
            trace_.Record(serial_, -1, QStringLiteral("stray"), {},
                          Marks({BytesMark(stray, "bytes after the answers"), marks}));
        }
        const double now = clock_.NowSeconds();
        if (now > giveUp) {
            TimeOut();
            return false;
        }
        if (!port_.WaitForBytes(1, now + QuietLineSeconds)) {
            settled_ = serial_;
            return true;
        }
    }
}

void SerialLink::KeepStrayReport(const QByteArray &dropped)
{
    const auto type = dropped.isEmpty() ? 0 : static_cast<std::uint8_t>(dropped.front());
    if (state_.SearchActive && dropped.size() >= ReplyBytes && IsReportType(type))
        strayReport_ = dropped.left(ReplyBytes);
}

void SerialLink::TakeReply(int count)
{
    const QByteArray bytes = port_.Read(count);
    std::copy(bytes.begin(), bytes.end(), rxBuffer_.begin());
    const qint64 taken = DropWaiting();
    // A reply that is no frame is taken as it came; the trace tells it.
    const bool framed = count != ReplyBytes
                        || (bytes.size() == ReplyBytes && std::uint8_t(bytes[0]) == FrameStart
                            && std::uint8_t(bytes[1]) == FrameMarker && std::uint8_t(bytes[9]) == FrameEnd);
    const QString marks = taken > count ? MarkUnsound() : QString();
    trace_.Record(serial_, resend_, QStringLiteral("answer"), bytes,
                  Marks({framed ? QString() : QStringLiteral("not a reply frame"),
                         taken > count ? BytesMark(taken - count, "extra bytes") : QString(), marks}));
}

void SerialLink::TraceNoAnswer(const QString &marks)
{
    trace_.Record(serial_, resend_, QStringLiteral("no answer"), {},
                  Marks({marks, port_.IsOpen() ? QString() : QStringLiteral("port closed")}));
}

void SerialLink::TimeOut()
{
    // Nothing may be sent or read any more, not even from events that run
    // while the message box is open.
    const bool staying = static_cast<bool>(deviceLost_);
    (staying ? state_.DeviceLost : state_.ProgramEnding) = true;
    trace_.Record(serial_, resend_, QStringLiteral("Time out"));
    qCDebug(LinkLog).noquote() << "Time out in exchange" << serial_;
    {
        const WaitScope wait(*this);
        dialogs_.ShowMessage({QStringLiteral("Time out"), QString::fromLatin1(ApplicationTitle),
                              MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok});
    }
    if (staying)
        Lose(QStringLiteral("Time out"));
    else
        end_.EndProgram(TimeOutExitCode);
}

void SerialLink::LoseDevice(const QString &why)
{
    if (!deviceLost_ || state_.DeviceLost || state_.ProgramEnding || state_.DemoMode)
        return;
    Lose(why);
}

void SerialLink::Lose(const QString &why)
{
    state_.DeviceLost = true;
    trace_.Record(LineTrace::NoExchange, -1, QStringLiteral("device lost: ") + why);
    qCDebug(LinkLog).noquote() << "device lost:" << why;
    deviceLost_();
}

bool SerialLink::SendProbe()
{
    if (ProbingOff())
        return false;
    // A connection to a device server is not awaited: the probe goes once
    // it stands (CheckProbe).
    if (port_.IsOpen())
        port_.Close();
    portOpened_ = portUsable_ = port_.StartOpen(portNumber_);
    if (!portOpened_)
        return false;
    probeOpening_ = true;
    return CheckProbe() == ProbeAnswer::Pending;
}

bool SerialLink::WriteProbe()
{
    probeOpening_ = false;
    trace_.Record(LineTrace::NoExchange, -1, QStringLiteral("port %1 opened").arg(portNumber_));
    SetReceiveSize(ReplyBytes);
    ++serial_;
    resend_ = 0;
    DropWaiting();
    probeSentAt_ = clock_.NowSeconds();
    return WriteFrame(ProbeFrame(), true);
}

SerialLink::ProbeAnswer SerialLink::CheckProbe()
{
    if (ProbingOff())
        return ProbeAnswer::Pending;
    if (probeOpening_) {
        if (port_.OpenPending())
            return ProbeAnswer::Pending;
        if (!port_.IsOpen() || !WriteProbe()) {
            probeOpening_ = false;
            portOpened_ = portUsable_ = false;
            return ProbeAnswer::None;
        }
        return ProbeAnswer::Pending;
    }
    // Nothing of the answer can be here before the frame has crossed the
    // line: what is, is dropped, as an exchange drops it.
    const double now = clock_.NowSeconds();
    if (now < probeSentAt_ + (TxFrameBytes + 1) * port_.LineByteSeconds()) {
        DropWaiting();
        return ProbeAnswer::Pending;
    }
    if (port_.BytesWaiting() >= ReplyBytes) {
        TakeReply(ReplyBytes);
        return IsProbeAnswer(std::span(rxBuffer_).first<ReplyBytes>()) ? ProbeAnswer::Device : ProbeAnswer::None;
    }
    if (!port_.IsOpen() || now - probeSentAt_ > ReplyTimeoutSeconds) {
        TraceNoAnswer({});
        return ProbeAnswer::None;
    }
    return ProbeAnswer::Pending;
}

void SerialLink::DeviceFound()
{
    state_.DeviceLost = false;
    settled_ = serial_;
    trace_.Record(LineTrace::NoExchange, -1, QStringLiteral("device found on port %1").arg(portNumber_));
}

bool SerialLink::WaitForReply(int count, double start, double limit)
{
    while (clock_.NowSeconds() - start <= limit) {
        if (port_.BytesWaiting() >= count)
            return true;
        // A failed port stays closed: nothing can arrive on it.
        if (!port_.IsOpen())
            return false;
        const WaitScope wait(*this);
        port_.WaitForBytes(count, start + limit);
    }
    return false;
}

SerialLink::SendResult SerialLink::SendWithResends(const FrameArgs &args, int count, double limit,
                                                  bool isBlock)
{
    ++serial_;
    for (int sends = 1; sends <= MaxSends; ++sends) {
        resend_ = sends - 1;
        double sentAt = 0;
        // A frame that could not be written gets no answer: the next send
        // follows at once. A block read ends at the first port failure.
        if (!SendFrame(args, &sentAt)) {
            if (isBlock)
                return SendResult::PortFailed;
            continue;
        }
        if (WaitForReply(count, sentAt, limit)) {
            // A flood's bytes are no answer: the next send follows at once,
            // and a line that goes on flooding ends in "Time out".
            if (UnaccountedBytes() - count <= FloodBytes)
                return SendResult::Answered;
            const qint64 flood = UnaccountedBytes();
            const QString marks = MarkUnsound();
            DropWaiting();
            trace_.Record(serial_, resend_, QStringLiteral("flood"), {}, Marks({BytesMark(flood, "bytes"), marks}));
            continue;
        }
        // Part of an answer at the time-out: the rest may come later and be
        // taken for the start of the next one.
        const int partial = port_.BytesWaiting();
        const QString marks = partial > 0 ? MarkUnsound() : QString();
        TraceNoAnswer(Marks({partial > 0 ? QStringLiteral("%1 of %2 bytes").arg(partial).arg(count) : QString(), marks}));
        if (isBlock && !port_.IsOpen())
            return SendResult::PortFailed;
    }
    TimeOut();
    return SendResult::TimedOut;
}

void SerialLink::ExchangeCommand(const FrameArgs &args)
{
    if (SendingOff())
        return;
    const Operation operation(*this);
    TakeInWaitingReports();
    // A failed write counts as a missing reply: resends and "Time out" follow.
    if (SendWithResends(args, ReplyBytes, ReplyTimeoutSeconds, false) == SendResult::Answered)
        TakeReply(ReplyBytes);
}

bool SerialLink::ProbeDevice(const FrameArgs &args)
{
    if (ProbingOff() || !portUsable_)
        return false;
    const Operation operation(*this);
    ++serial_;
    resend_ = 0;
    double sentAt = 0;
    if (!SendFrame(args, &sentAt))
        return false;
    if (!WaitForReply(ReplyBytes, sentAt, ReplyTimeoutSeconds)) {
        TraceNoAnswer({});
        return false;
    }
    TakeReply(ReplyBytes);
    return IsProbeAnswer(std::span(rxBuffer_).first<ReplyBytes>());
}

bool SerialLink::ReadBlock(const FrameArgs &args)
{
    if (SendingOff() || !portUsable_)
        return false;
    const Operation operation(*this);
    const SendResult result = SendWithResends(args, BlockBytes, BlockTimeoutSeconds, true);
    // A failed port stays closed: the device is lost with it.
    if (result == SendResult::PortFailed && !port_.IsOpen())
        LoseDevice(QStringLiteral("the port failed"));
    if (result != SendResult::Answered)
        return false;
    TakeReply(BlockBytes);
    return true;
}

bool SerialLink::ReadPresetBlock(std::uint8_t selector)
{
    return ReadPresetBlocks(selector, {});
}

bool SerialLink::ReadPresetBlocks(std::uint8_t selector, const std::function<bool()> &another)
{
    if (waiting_)
        return false;
    const Operation operation(*this);
    SetReceiveSize(BlockBytes);
    bool read = false;
    do {
        read = ReadBlock(ReadPresetFrame(selector));
        // No exchange follows at once to see what trails the block: wait
        // for the line to fall quiet while the buffer is still the block's.
        if (read)
            read = AwaitQuietLine();
    } while (read && another && another());
    SetReceiveSize(ReplyBytes);
    return read;
}

void SerialLink::TakeInWaitingReports()
{
    if (!state_.SearchActive || !reportHandler_ || handlingReports_)
        return;
    handlingReports_ = true;
    reportHandler_();
    handlingReports_ = false;
}

bool SerialLink::TakeNotification()
{
    if (state_.DemoMode || DeviceGone(state_) || waiting_)
        return false;
    QByteArray bytes = std::exchange(strayReport_, {});
    if (bytes.isEmpty()) {
        if (port_.BytesWaiting() < ReplyBytes)
            return false;
        bytes = port_.Read(ReplyBytes);
        // A report is no stray: it marks no answer.
        DropWaiting();
    }
    trace_.Record(LineTrace::NoExchange, -1, QStringLiteral("report"), bytes);
    std::copy_n(bytes.begin(), std::min<qsizetype>(bytes.size(), ReportUsedBytes), rxBuffer_.begin());
    return true;
}

void SerialLink::SendWithoutReply(const FrameArgs &args)
{
    if (SendingOff())
        return;
    WriteFrame(args, false);
}

} // namespace ksr
