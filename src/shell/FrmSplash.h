#pragma once
// The start-up window: a frameless picture with the search caption under it.
// Start-up shows the caption while it searches the serial ports.

#include <QWidget>

class QLabel;
class QTimer;

namespace ksr {

class FrmSplash : public QWidget {
    Q_OBJECT
public:
    explicit FrmSplash(QWidget *parent = nullptr);

    QLabel *Label1 = nullptr; // "Searching COM: please wait ", hidden at first
    QTimer *Timer1 = nullptr; // not started here

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace ksr
