#pragma once
// What every system port shares, whatever carries its bytes: the bounded
// receive buffer (10 or 160 bytes; what arrives while it is full is lost),
// the count of every byte taken in, the discards and the waits for the
// device, which run a local event loop. A transport (a serial device, a
// serial device server's TCP connection) adds opening, closing and its
// errors.

#include "core/Clock.h"
#include "core/SerialPort.h"

#include <QEventLoop>
#include <QString>
#include <QTimer>

#include <functional>

class QIODevice;

namespace ksr {

class BufferedPort : public SerialPort {
public:
    // Qt holds at most this much of what the line sends; a line that floods
    // waits in the system's own bounded buffers.
    static constexpr qint64 ReadChunkBytes = 4096;

    bool Open(int number) final;
    // Opens `path` with a receive buffer of `receiveSize` bytes, closing
    // whatever was open; false when it cannot be opened.
    bool OpenPath(const QString &path, int receiveSize);
    bool StartOpen(int number) final;
    bool OpenPending() final;
    void Close() final;
    bool SetReceiveSize(int bytes) override;
    bool Write(const QByteArray &bytes) final;
    int BytesWaiting() final;
    QByteArray Read(int count) final;
    void DiscardInput() final;
    QByteArray DiscardUntil(double t) final;
    qint64 BytesArrived() const final { return arrived_; }
    bool WaitForBytes(int count, double deadline) final;
    double LineByteSeconds() const final;
    void SetArrivalHandler(std::function<void()> handler) final { arrivalHandler_ = std::move(handler); }
    void SetFailureHandler(std::function<void()> handler) final { failureHandler_ = std::move(handler); }
    int ReceiveSize() const { return receiveSize_; }

protected:
    // `device` is the transport's, which the transport owns and configures.
    // `pathForNumber` maps a port number to the transport's path (empty: no
    // port).
    BufferedPort(Clock &clock, std::function<QString(int)> pathForNumber, QIODevice &device);

    // Opens the transport at `path`; false when it cannot.
    virtual bool OpenDevice(const QString &path) = 0;
    // Starts opening the transport at `path` without waiting; false when it
    // cannot. By default it opens at once.
    virtual bool StartOpenDevice(const QString &path) { return OpenDevice(path); }
    // Whether the opening StartOpenDevice began is under way (false once
    // it is open or has failed).
    virtual bool DeviceOpenPending() { return false; }
    virtual void CloseDevice() = 0;
    // Drops what the driver or the connection holds for us, counting it
    // (ReadArrived).
    virtual void ClearReceived() = 0;
    // After a failed read, wait or write: closes the transport when the
    // failure is one that Qt would otherwise report endlessly (the adapter
    // was pulled, the other end vanished, the connection dropped). It stays
    // closed until Open or SetReceiveSize reopens it on purpose, so that
    // nothing is sent to whatever appears at the path later.
    virtual void CloseOnFatalError() = 0;

    // The transport's device has bytes for us (readyRead).
    void DataArrived();
    // Something the wait may be waiting for happened (an error, a connection
    // made or lost): the wait ends.
    void EndWait();
    // The transport reported an error: a wait under way ends and looks at
    // it; outside a wait a fatal one closes the port and is told.
    void TransportFailed();
    // Runs the wait loop until it is quit or `ms` pass; false when the loop
    // could not run (no application, a wait already under way, quitting).
    bool RunWaitLoop(int ms);
    // Reads what Qt holds for us, at most ReadChunkBytes, counting it.
    QByteArray ReadArrived();
    // An empty receive buffer of `bytes`, what the driver holds dropped,
    // without closing the transport.
    void RestartReceiving(int bytes);

private:
    // Moves what the transport has received into the receive buffer, up to
    // its size; the rest is lost.
    void TakeIn();
    // Waits up to `seconds` for more bytes from the driver, or, without
    // `wakeOnData`, lets `seconds` pass; false when no byte came.
    bool WaitForDriver(double seconds, bool wakeOnData);

    Clock &clock_;
    std::function<QString(int)> pathForNumber_;
    QIODevice &device_;
    QEventLoop waitLoop_;
    QTimer waitDeadline_;
    bool wakeOnData_ = false;
    bool dataArrived_ = false;
    std::function<void()> arrivalHandler_;
    std::function<void()> failureHandler_;
    // Opened, and not closed on purpose since: a failure is told.
    bool lineUp_ = false;
    // StartOpen's opening is under way.
    bool opening_ = false;
    // A freshly opened transport: its receive buffer empty, failures told.
    void Opened();
    QString path_;
    QByteArray buffer_;
    int receiveSize_ = 10;
    qint64 arrived_ = 0;
};

} // namespace ksr
