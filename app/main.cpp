// ksr704-remote: the KSR-704's remote-control program.

#include "link/PortNames.h"
#include "link/SystemSerialPort.h"
#include "core/EventDispatcher.h"
#include "shell/Program.h"
#include "shell/QtDialogs.h"
#include "shell/QtProgramEnd.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    ksr::UseQtEventDispatcher();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ksr704-remote"));
    // The program ends only through its own close request or a device time-out.
    QApplication::setQuitOnLastWindowClosed(false);

    ksr::SteadyClock clock;
    ksr::SystemSerialPort port(clock, ksr::SystemPortDevicePath);
    ksr::QtDialogs dialogs;
    ksr::QtProgramEnd end;
    ksr::Program program(port, clock, dialogs, end);
    dialogs.SetParent(&program.MainWindow());

    program.SplashForm_Load();
    if (end.Requested())
        return end.ExitCode();
    return QApplication::exec();
}
