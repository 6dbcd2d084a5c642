// ksr704-layoutcheck: the editor of the shipped program on the X server in
// DISPLAY at whatever scale the environment sets (QT_SCALE_FACTOR), against
// a device on PATH. Checks that every control of the editor can be scrolled
// into view inside the screen, and measures on the screen the contrast of
// the text of a row under automatic control, before and during a feedback
// search. Prints one line per finding; exit status 1 when any check failed.
//
//   ksr704-layoutcheck DEVICE-PATH [SCREENSHOT-PREFIX]

#include "core/EventDispatcher.h"
#include "editor/FrmEq.h"
#include "link/SystemSerialPort.h"
#include "shell/MdiFrmMain.h"
#include "shell/Program.h"
#include "shell/QtDialogs.h"
#include "shell/QtProgramEnd.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <QToolButton>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <map>

using namespace ksr;

namespace {

void Settle(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

double Luminance(QRgb c)
{
    const auto linear = [](int v8) {
        const double v = v8 / 255.0;
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c));
}

double Contrast(QRgb a, QRgb b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool IsControl(const QWidget *w)
{
    return qobject_cast<const QLineEdit *>(w) || qobject_cast<const QAbstractSlider *>(w)
           || qobject_cast<const QAbstractButton *>(w) || qobject_cast<const QLabel *>(w);
}

QRect GlobalRect(const QWidget *w)
{
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

// Every control scrolled into view lies inside the scroll area's view and the screen.
int CheckReachable(Program &program)
{
    MdiFrmMain &main = program.MainWindow();
    auto *scroll = qobject_cast<QScrollArea *>(main.EditorWindow->widget());
    if (!scroll) {
        std::puts("FAILED: the editor is not in a scroll area");
        return 1;
    }
    const QRect screen = main.screen()->availableGeometry();
    int failures = 0;
    int checked = 0;
    const auto check = [&](QWidget *w, const QRect &inside) {
        const QRect at = GlobalRect(w);
        ++checked;
        if (!inside.contains(at) || !screen.contains(at)) {
            ++failures;
            std::printf("FAILED: %s at %d,%d %dx%d cannot be brought into view\n", qPrintable(w->objectName()),
                        at.x(), at.y(), at.width(), at.height());
        }
    };
    for (QToolButton *button : main.Command1) {
        if (button)
            check(button, screen);
    }
    for (QWidget *w : program.Editor().findChildren<QWidget *>()) {
        if (!IsControl(w) || !w->isVisibleTo(&program.Editor()))
            continue;
        scroll->ensureWidgetVisible(w, 0, 0);
        Settle(5);
        check(w, GlobalRect(scroll->viewport()));
    }
    std::printf("%s: %d controls reachable of %d\n", failures ? "FAILED" : "ok", checked - failures, checked);
    return failures;
}

// The contrast of `box`'s text on the screen: its most common colour against
// the one that differs most from it, inside the frame.
double ScreenContrast(QLineEdit *box, const QString &shot)
{
    const QRect at = GlobalRect(box).adjusted(2, 2, -2, -2);
    const QImage image = box->screen()->grabWindow(0, at.x(), at.y(), at.width(), at.height()).toImage();
    if (!shot.isEmpty())
        image.save(shot);
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y) & 0xFFFFFF];
    if (counts.empty())
        return 0.0;
    QRgb background = counts.begin()->first;
    for (const auto &[colour, count] : counts)
        if (count > counts[background])
            background = colour;
    double best = 1.0;
    for (const auto &entry : counts)
        best = std::max(best, Contrast(entry.first, background));
    return best;
}

int CheckContrast(Program &program, const char *when, const QString &shot)
{
    FrmEq &editor = program.Editor();
    QLineEdit *automatic = nullptr;
    // A row disabled of its own (not only through its frame, as during a search).
    for (QLineEdit *box : editor.Text2)
        if (!box->isEnabledTo(box->parentWidget())) {
            automatic = box;
            break;
        }
    if (!automatic) {
        std::printf("FAILED: no row under automatic control %s\n", when);
        return 1;
    }
    auto *scroll = qobject_cast<QScrollArea *>(program.MainWindow().EditorWindow->widget());
    scroll->ensureWidgetVisible(automatic, 0, 0);
    Settle(300);
    const double ratio = ScreenContrast(automatic, shot);
    const bool ok = ratio >= 4.5;
    std::printf("%s: automatic row %s, text contrast %.2f:1 %s\n", ok ? "ok" : "FAILED",
                qPrintable(automatic->objectName()), ratio, when);
    return ok ? 0 : 1;
}

// "Fit to window": the editor's window fills at least 90 % of the area's
// width or height, and every control is still within reach.
int CheckFit(Program &program, const QString &shot)
{
    program.View().FitAction->trigger();
    Settle(500);
    MdiFrmMain &main = program.MainWindow();
    const QSize area = main.MdiArea->viewport()->size();
    const QRect editor = main.EditorWindow->geometry();
    const double across = static_cast<double>(editor.width()) / area.width();
    const double down = static_cast<double>(editor.height()) / area.height();
    const bool ok = main.MdiArea->viewport()->rect().contains(editor) && std::max(across, down) >= 0.9;
    std::printf("%s: fit to window at %.0f %%: the editor fills %.1f %% of the area's width, %.1f %% of its height\n",
                ok ? "ok" : "FAILED", program.View().Zoom().Scale() * 100, across * 100, down * 100);
    if (!shot.isEmpty())
        main.screen()->grabWindow(0).save(shot);
    const int failures = (ok ? 0 : 1) + CheckReachable(program);
    program.View().ActualSizeAction->trigger();
    Settle(300);
    return failures;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fputs("usage: ksr704-layoutcheck DEVICE-PATH [SCREENSHOT-PREFIX]\n", stderr);
        return 2;
    }
    UseQtEventDispatcher();
    QApplication app(argc, argv);
    const QString device = QString::fromLocal8Bit(argv[1]);
    const QString prefix = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    QTemporaryDir start;
    QDir::setCurrent(start.path());

    SteadyClock clock;
    SystemSerialPort port(clock, [device](int) { return device; });
    QtDialogs dialogs;
    QtProgramEnd end;
    Program program(port, clock, dialogs, end);
    dialogs.SetParent(&program.MainWindow());
    program.ProbeOnlyPort(1, false);
    program.SplashForm_Load();

    QElapsedTimer waited;
    waited.start();
    while (!program.MainWindow().isVisible() && waited.elapsed() < 60000 && !end.Requested())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!program.MainWindow().isVisible() || program.State().DemoMode) {
        std::puts("FAILED: the program did not start against the device");
        return 1;
    }
    Settle(1500);
    QScreen *screen = program.MainWindow().screen();
    std::printf("screen %dx%d logical at %.2f device pixels to the pixel\n", screen->geometry().width(),
                screen->geometry().height(), program.MainWindow().devicePixelRatioF());
    if (!prefix.isEmpty())
        screen->grabWindow(0).save(prefix + QStringLiteral("-editor.png"));

    int failures = CheckReachable(program);
    failures += CheckContrast(program, "before a search", prefix.isEmpty() ? QString() : prefix + "-row.png");
    program.Editor().Check1[0]->setChecked(true);
    Settle(800);
    failures += CheckContrast(program, "during a search", prefix.isEmpty() ? QString() : prefix + "-row-search.png");
    if (!prefix.isEmpty())
        screen->grabWindow(0).save(prefix + QStringLiteral("-search.png"));
    program.Editor().Check1[0]->setChecked(false);
    Settle(300);
    failures += CheckFit(program, prefix.isEmpty() ? QString() : prefix + "-fit.png");
    return failures == 0 ? 0 : 1;
}
