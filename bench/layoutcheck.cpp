// ksr704-layoutcheck: the editor of the shipped program on the X server in
// DISPLAY at whatever scale the environment sets (QT_SCALE_FACTOR), against
// a device on PATH. Checks that every control of the editor can be scrolled
// into view inside the screen, and measures on the screen the contrast of
// the text of a row under automatic control, before and during a feedback
// search. With --dark, in the dark look, it measures so every label and text
// box of the editor, and checks that the rows under automatic control stand
// apart from the user's. Prints one line per finding; exit status 1 when any
// check failed.
//
//   ksr704-layoutcheck [--dark] DEVICE-PATH [SCREENSHOT-PREFIX]

#include "core/EventDispatcher.h"
#include "core/LookColours.h"
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
#include <cstring>
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

// The text contrast asked of every text, and how far apart the backgrounds
// of automatic and manual rows stand at least.
constexpr double TextContrast = 4.5;
constexpr double RowBackgroundRatio = 1.25;

double Contrast(QRgb a, QRgb b)
{
    return ContrastRatio(a & 0xFFFFFF, b & 0xFFFFFF);
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

// The colours of `control` on the screen, inside its frame, and how often each shows.
std::map<QRgb, int> ScreenColours(QWidget *control, const QString &shot)
{
    const QRect at = GlobalRect(control).adjusted(2, 2, -2, -2);
    const QImage image = control->screen()->grabWindow(0, at.x(), at.y(), at.width(), at.height()).toImage();
    if (!shot.isEmpty())
        image.save(shot);
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y) & 0xFFFFFF];
    return counts;
}

// The most common of the colours: the background.
QRgb Background(const std::map<QRgb, int> &counts)
{
    QRgb background = counts.begin()->first;
    for (const auto &[colour, count] : counts)
        if (count > counts.at(background))
            background = colour;
    return background;
}

// The contrast of `control`'s text on the screen: its most common colour
// against the one that differs most from it, inside the frame.
double ScreenContrast(QWidget *control, const QString &shot)
{
    const std::map<QRgb, int> counts = ScreenColours(control, shot);
    if (counts.empty())
        return 0.0;
    const QRgb background = Background(counts);
    double best = 1.0;
    for (const auto &entry : counts)
        best = std::max(best, Contrast(entry.first, background));
    return best;
}

QScrollArea *EditorScroll(Program &program)
{
    return qobject_cast<QScrollArea *>(program.MainWindow().EditorWindow->widget());
}

// Every label and text box of the editor that shows a text, scrolled into
// view, at TextContrast or more on the screen.
int CheckEveryText(Program &program, const char *when)
{
    int failures = 0;
    int checked = 0;
    double lowest = 21.0;
    for (QWidget *w : program.Editor().findChildren<QWidget *>()) {
        const auto *label = qobject_cast<QLabel *>(w);
        const auto *box = qobject_cast<QLineEdit *>(w);
        if ((!label && !box) || !w->isVisibleTo(&program.Editor()))
            continue;
        if ((label ? label->text() : box->text()).trimmed().isEmpty())
            continue;
        EditorScroll(program)->ensureWidgetVisible(w, 0, 0);
        Settle(5);
        const double ratio = ScreenContrast(w, QString());
        ++checked;
        lowest = std::min(lowest, ratio);
        if (ratio < TextContrast) {
            ++failures;
            std::printf("FAILED: %s \"%s\" text contrast %.2f:1 %s\n", qPrintable(w->objectName()),
                        qPrintable(label ? label->text() : box->text()), ratio, when);
        }
    }
    std::printf("%s: %d labels and text boxes of %d at %.1f:1 or more %s (lowest %.2f:1)\n",
                failures ? "FAILED" : "ok", checked - failures, checked, TextContrast, when, lowest);
    return failures;
}

// The background of a row under automatic control against that of a row of
// the user's, as the screen shows them.
int CheckRowsApart(Program &program, const char *when)
{
    FrmEq &editor = program.Editor();
    QLineEdit *automatic = nullptr;
    QLineEdit *manual = nullptr;
    for (QLineEdit *box : editor.Text2) {
        const bool own = !box->isEnabledTo(box->parentWidget());
        if (own && !automatic)
            automatic = box;
        if (!own && !manual)
            manual = box;
    }
    if (!automatic || !manual) {
        std::printf("FAILED: no automatic and manual row side by side %s\n", when);
        return 1;
    }
    QRgb backgrounds[2] = {};
    for (QLineEdit *box : {automatic, manual}) {
        EditorScroll(program)->ensureWidgetVisible(box, 0, 0);
        Settle(100);
        backgrounds[box == manual] = Background(ScreenColours(box, QString()));
    }
    const double ratio = Contrast(backgrounds[0], backgrounds[1]);
    const bool ok = ratio >= RowBackgroundRatio;
    std::printf("%s: automatic row background #%06x, manual #%06x, %.2f:1 apart %s\n", ok ? "ok" : "FAILED",
                backgrounds[0] & 0xFFFFFF, backgrounds[1] & 0xFFFFFF, ratio, when);
    return ok ? 0 : 1;
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
    const bool ok = ratio >= TextContrast;
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
    const bool dark = argc > 1 && std::strcmp(argv[1], "--dark") == 0;
    const int first = dark ? 2 : 1;
    if (argc <= first) {
        std::fputs("usage: ksr704-layoutcheck [--dark] DEVICE-PATH [SCREENSHOT-PREFIX]\n", stderr);
        return 2;
    }
    UseQtEventDispatcher();
    QApplication app(argc, argv);
    const QString device = QString::fromLocal8Bit(argv[first]);
    const QString prefix = argc > first + 1 ? QString::fromLocal8Bit(argv[first + 1]) : QString();
    QTemporaryDir start;
    QDir::setCurrent(start.path());

    SteadyClock clock;
    SystemSerialPort port(clock, [device](int) { return device; });
    QtDialogs dialogs;
    QtProgramEnd end;
    // The look is kept beside the start folder, never in the user's settings.
    Program program(port, clock, dialogs, end, start.filePath(QStringLiteral("ksr704-remote.ini")));
    if (dark)
        program.SetDarkLook(true);
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
    if (dark) {
        failures += CheckEveryText(program, "before a search");
        failures += CheckRowsApart(program, "before a search");
    }
    program.Editor().Check1[0]->setChecked(true);
    Settle(800);
    failures += CheckContrast(program, "during a search", prefix.isEmpty() ? QString() : prefix + "-row-search.png");
    if (dark) {
        failures += CheckEveryText(program, "during a search");
        failures += CheckRowsApart(program, "during a search");
    }
    if (!prefix.isEmpty())
        screen->grabWindow(0).save(prefix + QStringLiteral("-search.png"));
    program.Editor().Check1[0]->setChecked(false);
    Settle(300);
    failures += CheckFit(program, prefix.isEmpty() ? QString() : prefix + "-fit.png");
    return failures == 0 ? 0 : 1;
}
