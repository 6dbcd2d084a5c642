// Keys typed into the gain, frequency and sensitivity boxes.

#include "FuzzProgram.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    ksr::fuzz::FuzzProgram &p = ksr::fuzz::SharedProgram();
    if (size < 1)
        return 0;
    ksr::FrmEq &editor = p.program.Editor();
    const std::size_t f = data[0] % 24;
    QLineEdit *box = data[0] / 24 % 3 == 0 ? editor.Text1[f] : data[0] / 24 % 3 == 1 ? editor.Text2[f] : editor.Text4[f % 2];
    // setText rather than clear(): it also drops the box's undo history,
    // which would otherwise grow run after run.
    box->setText(QString());
    p.program.State().DemoMode = true;
    for (std::size_t i = 1; i < size && i < 24; ++i) {
        // Any Latin-1 character, Enter and Backspace, as a keyboard sends them.
        const std::uint8_t c = data[i];
        const int key = c == '\r' ? Qt::Key_Return : c == '\b' ? Qt::Key_Backspace : Qt::Key_unknown;
        const QString text = key == Qt::Key_unknown ? QString(QChar(char16_t(c))) : QString();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(box, &press);
    }
    p.program.State().DemoMode = false;
    p.EndRun();
    return 0;
}
