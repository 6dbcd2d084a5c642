#pragma once
// The link's logging categories. Neither shows debug messages unless asked
// (QT_LOGGING_RULES="ksr.link*.debug=true"):
// - ksr.link: the port opened, closed after an error, its receive size, the
//   trace file;
// - ksr.link.frames: each line of the line trace (LineTrace), as it happens.

#include <QLoggingCategory>

namespace ksr {

Q_DECLARE_LOGGING_CATEGORY(LinkLog)
Q_DECLARE_LOGGING_CATEGORY(LinkFramesLog)

} // namespace ksr
