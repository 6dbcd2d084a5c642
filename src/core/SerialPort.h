#pragma once
// The serial port as the link uses it: a numbered port at 4800 baud 8N1 with
// a receive buffer of a set size (10 or 160 bytes). Bytes that arrive while
// the buffer is full are lost, as on a real receive buffer, and a port keeps
// no more than that whatever the line sends.

#include <QByteArray>
#include <QString>

#include <functional>

namespace ksr {

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens port `number` (1..35) at 4800 8N1; false when it cannot be opened.
    virtual bool Open(int number) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Closes the port, sets the receive buffer to `bytes` and reopens it; the
    // buffer starts empty. False when the port cannot be reopened.
    virtual bool SetReceiveSize(int bytes) = 0;
    // Writes all bytes; false when the port is closed or the write fails.
    virtual bool Write(const QByteArray &bytes) = 0;
    // Bytes waiting in the receive buffer, taking in what has arrived.
    virtual int BytesWaiting() = 0;
    // Takes up to `count` bytes from the receive buffer.
    virtual QByteArray Read(int count) = 0;
    // Empties the receive buffer.
    virtual void DiscardInput() = 0;
    // Empties the receive buffer and goes on dropping what arrives until the
    // clock reaches `t`; a byte that may have arrived at `t` or later stays.
    // Returns the first bytes dropped (at most the receive size); returns at
    // once when the port is closed.
    virtual QByteArray DiscardUntil(double t) = 0;
    // Every byte the port has taken in so far, kept or dropped (a full
    // buffer, a discard, a reopening), as of the last call that took bytes
    // in (BytesWaiting, Read, the discards, the waits). It only grows, so
    // that the link can tell bytes that belong to no answer.
    virtual qint64 BytesArrived() const = 0;
    // Blocks until `count` bytes wait or the clock passes `deadline` (seconds
    // on the link's clock). True when the bytes wait. A closed or failed port
    // returns false at once.
    virtual bool WaitForBytes(int count, double deadline) = 0;
    // Seconds one byte takes on the line (0: the port delivers at once).
    virtual double LineByteSeconds() const = 0;
    // When the last Open failed because another program holds the port:
    // "in use by another program", with which where the system tells it
    // ("in use by another program (ksr704-remote, process 4242)"); empty
    // when it opened or failed for another reason.
    virtual QString PortInUse() const { return {}; }
    // Runs when bytes arrive while no wait is under way (a device report);
    // a port that cannot tell never runs it.
    virtual void SetArrivalHandler(std::function<void()> handler) { static_cast<void>(handler); }
    // Starts opening port `number` without waiting for it to open (a
    // device server's connection); false when it cannot be opened at all.
    // A port that opens at once is open when it returns.
    virtual bool StartOpen(int number) { return Open(number); }
    // True while an opening StartOpen began is under way; once it is over
    // the port is open, or not.
    virtual bool OpenPending() { return false; }
    // Runs when the port finds its line gone while no wait is under way (a
    // device server's connection dropped, the adapter pulled); the port is
    // closed then. A port that cannot tell never runs it.
    virtual void SetFailureHandler(std::function<void()> handler) { static_cast<void>(handler); }
};

} // namespace ksr
