#include "link/LinkLogging.h"

namespace ksr {

// Info and above by default: the link's debug messages only when asked.
Q_LOGGING_CATEGORY(LinkLog, "ksr.link", QtInfoMsg)
Q_LOGGING_CATEGORY(LinkFramesLog, "ksr.link.frames", QtInfoMsg)

} // namespace ksr
