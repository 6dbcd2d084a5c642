#pragma once
// The serial link to the KSR-704: opening the port, the probe, the command
// exchange with its reply wait and resends, the 160-byte block read and the
// frame sent without reply. Every operation returns only when it is done;
// while it waits for the device the port runs a local event loop, and what
// that loop may deliver is told apart by the program (see SetBusyChanged).

#include "core/Clock.h"
#include "core/ProgramEnd.h"
#include "core/SerialPort.h"
#include "core/UserDialogs.h"
#include "core/Frames.h"
#include "core/State.h"
#include "link/LineTrace.h"

#include <functional>
#include <set>

namespace ksr {

// A reply or probe answer is missing after 3.168 s, a block after 18.144 s.
inline constexpr double ReplyTimeoutSeconds = 0.11 / 3000.0 * 86400.0;
inline constexpr double BlockTimeoutSeconds = 0.21 / 1000.0 * 86400.0;
// A frame is written at most this often before "Time out".
inline constexpr int MaxSends = 6;
inline constexpr int TimeOutExitCode = 1;
// More bytes than a block beyond the answer within one send: a line that
// floods, whose answer is not taken.
inline constexpr int FloodBytes = BlockBytes;
// The line counts as quiet when nothing arrives for this long: the rest of
// an answer that came mis-framed follows its first part at once.
inline constexpr double QuietLineSeconds = 0.02;

class SerialLink {
public:
    SerialLink(AppState &state, SerialPort &port, Clock &clock, UserDialogs &dialogs, ProgramEnd &end);

    // Takes in and acknowledges every device report that waits; run before
    // each exchange while a search runs, so that no report is taken for the
    // command's reply.
    void SetReportHandler(std::function<void()> handler) { reportHandler_ = std::move(handler); }

    // Told true when an operation begins and false when it has ended (the
    // outermost one, "Time out" included): meanwhile the windows may only
    // paint and answer the desktop, nothing may act.
    void SetBusyChanged(std::function<void(bool)> busyChanged) { busyChanged_ = std::move(busyChanged); }
    // True while the port waits for the device or "Time out" is shown.
    bool Waiting() const { return waiting_; }
    // True from the start of an operation on the line to its end.
    bool Busy() const { return operations_ > 0; }
    // Told when the device is lost (after "Time out", or when the port
    // fails), which then no longer ends the program: the program stays
    // offline, with DeviceLost set, until DeviceFound. Runs inside the
    // operation that lost it; without it the program ends as described.
    void SetDeviceLost(std::function<void()> lost) { deviceLost_ = std::move(lost); }

    // The port the link opens, and whether it opened and may be probed.
    std::int16_t PortNumber() const { return portNumber_; }
    void SetPortNumber(std::int16_t number) { portNumber_ = number; }
    bool PortOpened() const { return portOpened_; }
    void SetPortOpened(bool opened) { portOpened_ = opened; }
    bool PortUsable() const { return portUsable_; }
    void SetPortUsable(bool usable) { portUsable_ = usable; }
    // The last frame written, and the answer or report taken in last.
    const Frame &TxFrame() const { return txFrame_; }
    const std::array<std::uint8_t, RxBufferBytes> &RxBuffer() const { return rxBuffer_; }
    // Writable, so that a test can tell the bytes an answer left alone.
    std::array<std::uint8_t, RxBufferBytes> &RxBuffer() { return rxBuffer_; }
    // Every frame sent and every answer, each with what made it unsound.
    LineTrace &Trace() { return trace_; }
    const LineTrace &Trace() const { return trace_; }

    // Opens the port numbered PortNumber; sets PortOpened and PortUsable.
    void OpenPort();
    // Why the port did not open when another program holds it (the port's
    // PortInUse); empty otherwise.
    QString PortInUse() const;
    // Closes the port, sets its receive buffer to 10 or 160 bytes, reopens it.
    void SetReceiveSize(int bytes);
    // True when a KSR-704 answered the probe (reply byte 3 = 0x5B).
    bool ProbeDevice(const FrameArgs &args);
    // Sends a command and waits for its 10-byte reply, left in RxBuffer 0..9.
    // After the sixth unanswered send: "Time out" and the end of the program.
    void ExchangeCommand(const FrameArgs &args);
    // Sends a command and waits for a 160-byte block, left in RxBuffer 0..159.
    // False when it did nothing or the port failed.
    bool ReadBlock(const FrameArgs &args);
    // Reads preset `selector` (a slot, or the current settings) as a block
    // into RxBuffer 0..159, the receive buffer enlarged for it and then
    // set back to 10 bytes. False when it could not be read.
    bool ReadPresetBlock(std::uint8_t selector);
    // As ReadPresetBlock, again and again while `another` says so after each
    // block read and followed by a quiet line, the buffer enlarged once for
    // all. False when the last block could not be read.
    bool ReadPresetBlocks(std::uint8_t selector, const std::function<bool()> &another);
    // Sends a frame and does not wait (the notification acknowledgement).
    void SendWithoutReply(const FrameArgs &args);

    // Each exchange, probe and block read gets the next serial number when
    // it begins; this is the last one given.
    quint64 LastAnswerSerial() const { return serial_; }
    // True when bytes that belong to no answer touched answer `serial`: a
    // partial answer at a time-out, more bytes than the answer, bytes before
    // the next send mark the answer under way and the one before it, which
    // they may have shifted; bytes in the quiet wait after answers mark all
    // of them since the line was last quiet.
    bool Unsound(quint64 serial) const { return unsound_.contains(serial); }
    // Waits until nothing has arrived for QuietLineSeconds, dropping and
    // marking what does; a line that never falls quiet (a flood) ends in
    // "Time out" after as long as six unanswered sends: false then, and
    // while sending is off. A failed port is quiet for good.
    bool AwaitQuietLine();
    // "Time out" and the end of the program: the device did not answer, or
    // not soundly, however often it was asked. With SetDeviceLost: "Time
    // out", then the device is lost and the program goes on.
    void TimeOut();
    // The port failed while no operation waited on it (the connection
    // dropped, the adapter was pulled): the device is lost, without a
    // message box. Nothing happens without SetDeviceLost, in demo mode or
    // when it is lost already.
    void LoseDevice(const QString &why);

    // Offline, looking for the device without blocking the windows: opens
    // the port numbered PortNumber and writes the probe; false when the
    // port did not open or the write failed.
    bool SendProbe();
    enum class ProbeAnswer { Pending, Device, None };
    // The answer to SendProbe: Device once the KSR-704 answered, None when
    // nothing did in the reply time or something else did.
    ProbeAnswer CheckProbe();
    // The device answered again: sending is on, the program online.
    void DeviceFound();

    // Takes one device notification into RxBuffer 0..6: a report that came
    // while a frame was on the line, else 10 waiting bytes, discarding
    // whatever else waits; false, reading nothing, when fewer than 10 bytes
    // wait or in demo mode.
    bool TakeNotification();
    // While a search runs: runs the report handler, once at a time.
    void TakeInWaitingReports();

private:
    class Operation;
    class WaitScope;
    // Sending is off in demo mode, while device data fills the editor, and
    // once the program is ending.
    bool SendingOff() const;
    // As SendingOff, but a lost device may be probed.
    bool ProbingOff() const;
    // Once the port SendProbe opened stands: the probe written.
    bool WriteProbe();
    // DeviceLost, its trace line, and the program told.
    void Lose(const QString &why);
    // Builds TxFrame from the seven bytes and writes it; false on a port error.
    // `answered`: the frame is the exchange's under way, else one that gets
    // no answer.
    bool WriteFrame(const FrameArgs &args, bool answered);
    // Writes a frame that expects an answer, noting in `sentAt` when it went,
    // and drops what arrives while it is on the line; false on a port error.
    bool SendFrame(const FrameArgs &args, double *sentAt);
    // Keeps a whole report among bytes dropped at a send, for TakeNotification.
    void KeepStrayReport(const QByteArray &dropped);
    // Waits until `count` bytes wait, up to `limit` seconds after `start`;
    // false at once on a failed port.
    bool WaitForReply(int count, double start, double limit);
    enum class SendResult { Answered, PortFailed, TimedOut };
    // Writes the frame until `count` bytes answer it, at most MaxSends times,
    // then "Time out"; every send starts from an empty buffer. For a block a
    // failed write or port ends it at once; for a reply a failed write counts
    // as a send that got no answer, without waiting for one.
    SendResult SendWithResends(const FrameArgs &args, int count, double limit, bool isBlock);
    // Traces a send that got no answer in time, with `marks`.
    void TraceNoAnswer(const QString &marks);
    // Takes `count` bytes into RxBuffer and discards the rest, marking the
    // answer unsound when more came.
    void TakeReply(int count);
    // Bytes taken in since everything before was taken or marked.
    qint64 UnaccountedBytes() const;
    // Empties the receive buffer and accounts for every byte taken in;
    // returns how many were not accounted for before.
    qint64 DropWaiting();
    // Marks the answer under way and the one before it unsound.
    QString MarkUnsound();
    // Marks answers `first` up to the one under way unsound, none that a
    // quiet line followed. Both return what they marked, for the trace.
    QString MarkUnsound(quint64 first);

    AppState &state_;
    SerialPort &port_;
    Clock &clock_;
    UserDialogs &dialogs_;
    ProgramEnd &end_;
    std::int16_t portNumber_ = 0;
    bool portOpened_ = false;
    bool portUsable_ = false;
    Frame txFrame_{};
    std::array<std::uint8_t, RxBufferBytes> rxBuffer_{};
    std::function<void()> reportHandler_;
    std::function<void(bool)> busyChanged_;
    std::function<void()> deviceLost_;
    double probeSentAt_ = 0;
    // SendProbe's port is still opening.
    bool probeOpening_ = false;
    bool handlingReports_ = false;
    int operations_ = 0;
    bool waiting_ = false;
    QByteArray strayReport_;
    quint64 serial_ = 0;
    // The sends of the exchange's frame before the one under way.
    int resend_ = 0;
    std::set<quint64> unsound_;
    // The port's arrival count up to which every byte was an answer's or
    // marked as none.
    qint64 accounted_ = 0;
    // The last answer a quiet line followed: nothing later can touch it.
    quint64 settled_ = 0;
    LineTrace trace_;
};

} // namespace ksr
