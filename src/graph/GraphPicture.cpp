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

void GraphPicture::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect area = event->rect();
    painter.drawImage(area, graph_.Picture(channel_), area);
}

} // namespace ksr
