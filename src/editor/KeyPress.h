#pragma once
// Key presses in a text box handed to a handler as character codes, before
// the box takes them: the handler lets the key through, or puts "?" in its
// place. Keys that type no character (arrows, Delete, ...) pass unseen.

#include <QObject>

#include <functional>

class QLineEdit;

namespace ksr {

inline constexpr int KeyBackspace = 8;
inline constexpr int KeyEnter = 13;
inline constexpr int KeyQuestionMark = 63;

// The character code of a key press: Enter 13, Backspace 8, else the typed
// character; -1 for keys that type nothing.
int KeyPressCode(int qtKey, const QString &text);

class KeyPressFilter : public QObject {
    Q_OBJECT
public:
    // `handler` gets the key code and returns the code to use: the same code
    // lets the key through, KeyQuestionMark types "?" instead.
    KeyPressFilter(QLineEdit *box, std::function<int(int key)> handler);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *box_;
    std::function<int(int)> handler_;
};

} // namespace ksr
