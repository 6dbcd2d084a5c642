#pragma once
// The main window's button bar scaled with the editor: every button's place,
// size, icon and font, and the bar's height, are the design's times a factor.

#include <QFont>
#include <QPointer>
#include <QRect>
#include <QSize>

#include <vector>

class QToolButton;
class QWidget;

namespace ksr {

class BarZoom {
public:
    // Takes the bar as built, at its design size, for the factor 1.
    explicit BarZoom(QWidget &bar);

    void SetScale(double scale);
    // The bar's height at the factor 1.
    int DesignHeight() const { return height_; }

private:
    struct Placed {
        QPointer<QToolButton> button;
        QRect geometry;
        QSize iconSize;
        QFont font;
    };

    QWidget &bar_;
    int height_;
    std::vector<Placed> placed_;
    double scale_ = 1.0;
};

} // namespace ksr
