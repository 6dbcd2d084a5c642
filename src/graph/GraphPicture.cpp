#include "graph/GraphPicture.h"

#include "graph/ResponseGraph.h"

#include <QPaintEvent>
#include <QPainter>

namespace ksr {

GraphPicture::GraphPicture(ResponseGraph &graph, int channel, QWidget *parent)
    : QWidget(parent), graph_(graph), channel_(channel)
{
    Q_ASSERT(channel == 0 || channel == 1);
    setFixedSize(ResponseGraph::Width, ResponseGraph::Height);
    // The picture covers the whole widget, so nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&graph_, &ResponseGraph::ChannelRedrawn, this, [this](int c) {
        if (c == channel_)
            update();
    });
}

void GraphPicture::SetScale(double scale)
{
    scale_ = scale;
    setFixedSize(qRound(ResponseGraph::Width * scale), qRound(ResponseGraph::Height * scale));
    update();
}

void GraphPicture::paintEvent(QPaintEvent *event)
{
    // Drawn at the screen's own resolution and the editor's scale, not
    // enlarged from the pixel grid.
    graph_.SetDevicePixelRatio(devicePixelRatioF() * scale_);
    QPainter painter(this);
    const QImage &picture = graph_.Picture(channel_);
    const QRect area = event->rect();
    // The picture's pixels to one of this widget's.
    const qreal r = picture.devicePixelRatio() / scale_;
    painter.drawImage(area, picture, QRectF(area.x() * r, area.y() * r, area.width() * r, area.height() * r));
}

} // namespace ksr
