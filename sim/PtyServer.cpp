#include "sim/PtyServer.h"

#include "sim/LineServer.h"
#include "sim/SystemError.h"

#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace ksr::sim {

PtyServer::PtyServer(LineServer &line)
    : line_(line)
{
}

PtyServer::~PtyServer()
{
    line_.Detach();
    if (slave_ >= 0)
        close(slave_);
    if (master_ >= 0)
        close(master_);
}

bool PtyServer::Start(QString *error)
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) {
        *error = SystemError("posix_openpt");
        return false;
    }
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
        *error = SystemError("grantpt/unlockpt");
        return false;
    }
    const char *name = ptsname(master_);
    if (!name) {
        *error = SystemError("ptsname");
        return false;
    }
    path_ = QString::fromLocal8Bit(name);
    slave_ = open(name, O_RDWR | O_NOCTTY);
    if (slave_ < 0) {
        *error = SystemError("open terminal");
        return false;
    }
    termios raw{};
    if (tcgetattr(slave_, &raw) != 0) {
        *error = SystemError("tcgetattr");
        return false;
    }
    cfmakeraw(&raw);
    if (tcsetattr(slave_, TCSANOW, &raw) != 0) {
        *error = SystemError("tcsetattr");
        return false;
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    line_.Attach(master_);
    return true;
}

} // namespace ksr::sim
