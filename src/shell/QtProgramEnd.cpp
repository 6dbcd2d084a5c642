#include "shell/QtProgramEnd.h"

#include <QCoreApplication>
#include <QThread>

namespace ksr {

void QtProgramEnd::EndProgram(int exitCode)
{
    if (requested_)
        return;
    requested_ = true;
    exitCode_ = exitCode;
    // exit() leaves every running event loop, nested ones included; before
    // the first loop runs, main() looks at Requested() instead.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(exitCode);
}

} // namespace ksr
