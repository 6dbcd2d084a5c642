#pragma once
// Serves the simulated device's line on a pseudo-terminal. The server keeps
// a descriptor of the terminal's own side open, so a client can close and
// reopen the port without the server seeing a hang-up.

#include <QString>

namespace ksr::sim {

class LineServer;

class PtyServer {
public:
    explicit PtyServer(LineServer &line);
    ~PtyServer();
    PtyServer(const PtyServer &) = delete;
    PtyServer &operator=(const PtyServer &) = delete;

    // Opens the terminal and serves the line on it; false with `error` set
    // on failure.
    bool Start(QString *error);
    // The path a client opens, e.g. /dev/pts/3.
    QString DevicePath() const { return path_; }

private:
    LineServer &line_;
    int master_ = -1;
    int slave_ = -1;
    QString path_;
};

} // namespace ksr::sim
