#pragma once
// The on-screen picture of one channel's response curve: shows the graph's
// picture as last drawn, and repaints it whenever the graph redraws that
// channel or the window system asks for it.

#include <QWidget>

namespace ksr {

class ResponseGraph;

class GraphPicture : public QWidget {
    Q_OBJECT
public:
    // `graph` must outlive the widget; `channel` is 0 (Left) or 1 (Right).
    GraphPicture(ResponseGraph &graph, int channel, QWidget *parent = nullptr);

    int Channel() const { return channel_; }
    // Shows the picture `scale` times its size, drawn at that size.
    void SetScale(double scale);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    ResponseGraph &graph_;
    int channel_;
    double scale_ = 1.0;
};

} // namespace ksr
