#pragma once
// The editor scaled as one picture: every control's place and size and every
// font are its design's times a factor, so that the layout and proportions
// stay; the curves are drawn at the scaled size, crisp.

#include <QFont>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <vector>

namespace ksr {

class FrmEq;
class GraphPicture;

class EditorZoom {
public:
    static constexpr double Smallest = 0.5;
    static constexpr double Largest = 3.0;

    // Takes the editor as built, at its design size, for the factor 1.
    explicit EditorZoom(FrmEq &editor);

    // Scales the editor by `scale`, held within Smallest..Largest.
    void SetScale(double scale);
    double Scale() const { return scale_; }
    // The editor's size at the factor 1.
    QSize DesignSize() const { return design_; }
    // The largest factor at which the whole editor fits into `room`, with
    // `above` pixels of the design above it that scale with it.
    double FitScale(QSize room, int above = 0) const;

    // The next of the zoom steps above or below `scale`.
    static double StepUp(double scale);
    static double StepDown(double scale);

private:
    struct Placed {
        QPointer<QWidget> widget;
        QRect geometry;
        bool ownFont = false;
        QFont font;
    };
    // Notes the design of `parent`'s children, and of theirs where a child
    // only holds others (a frame, a band).
    void Record(QWidget *parent);

    FrmEq &editor_;
    QSize design_;
    QFont editorFont_;
    std::vector<Placed> placed_;
    std::vector<GraphPicture *> pictures_;
    double scale_ = 1.0;
};

} // namespace ksr
