#pragma once
// A push button and a check box whose captions wrap onto further lines when
// they do not fit, so that long captions stay readable on the small,
// fixed-size controls of the editor. The caption itself (text()) is the
// usual one, mnemonic ampersands included.

#include <QCheckBox>
#include <QPushButton>

namespace ksr {

class WrappingPushButton : public QPushButton {
    Q_OBJECT
public:
    explicit WrappingPushButton(const QString &text, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

class WrappingCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit WrappingCheckBox(const QString &text, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    // The whole box takes clicks, wrapped lines included.
    bool hitButton(const QPoint &pos) const override;
};

} // namespace ksr
