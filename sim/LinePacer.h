#pragma once
// Times of the bytes on a serial line that carries one byte per byteSeconds
// each way (4800 baud 8N1: 10 bits, 1/480 s). With byteSeconds 0 nothing is
// paced: bytes arrive when read and leave when due.

namespace ksr::sim {

class LinePacer {
public:
    explicit LinePacer(double byteSeconds);

    // When a byte the sender handed over at `readTime` has fully arrived.
    double Arrival(double readTime);
    // When an output byte due at `due` has fully reached the other end.
    double Departure(double due);

    double ByteSeconds() const { return byteSeconds_; }

private:
    double byteSeconds_;
    double lastArrival_;
    double lineFree_;
};

} // namespace ksr::sim
