#include "shell/FrmSplash.h"

#include "core/Tables.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include <array>

namespace ksr {

namespace {

constexpr int SplashWidth = 480;
constexpr int SplashHeight = 300;
constexpr int CaptionHeight = 28;

// A flat response with two notches cut into it, drawn across `area`.
QPainterPath NotchCurve(const QRectF &area)
{
    constexpr int Points = 240;
    constexpr std::array<double, 2> NotchAt = {0.33, 0.71};  // along the width
    constexpr std::array<double, 2> NotchDepth = {0.8, 0.55}; // of the height
    constexpr double NotchSharpness = 900.0;
    QPainterPath path;
    for (int k = 0; k <= Points; ++k) {
        const double x = static_cast<double>(k) / Points;
        double dip = 0;
        for (std::size_t n = 0; n < NotchAt.size(); ++n) {
            const double d = x - NotchAt[n];
            dip += NotchDepth[n] / (1 + NotchSharpness * d * d);
        }
        const QPointF point(area.left() + x * area.width(), area.top() + dip * area.height());
        if (k == 0)
            path.moveTo(point);
        else
            path.lineTo(point);
    }
    return path;
}

} // namespace

FrmSplash::FrmSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QString::fromLatin1(ApplicationTitle));
    setFixedSize(SplashWidth, SplashHeight);

    Label1 = new QLabel(QStringLiteral("Searching COM: please wait "), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(0, SplashHeight - CaptionHeight - 8, SplashWidth, CaptionHeight);
    QPalette palette = Label1->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    Label1->setPalette(palette);
    Label1->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
}

void FrmSplash::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient background(0, 0, 0, height());
    background.setColorAt(0, QColor(24, 42, 72));
    background.setColorAt(1, QColor(8, 14, 28));
    painter.fillRect(rect(), background);

    const QRectF graph(40, 40, width() - 80, 150);
    painter.setPen(QPen(QColor(255, 255, 255, 40), 1));
    for (int k = 0; k <= 6; ++k) {
        const double y = graph.top() + k * graph.height() / 6;
        painter.drawLine(QPointF(graph.left(), y), QPointF(graph.right(), y));
    }
    for (int k = 0; k <= 9; ++k) {
        const double x = graph.left() + k * graph.width() / 9;
        painter.drawLine(QPointF(x, graph.top()), QPointF(x, graph.bottom()));
    }
    painter.setPen(QPen(QColor(255, 96, 80), 2));
    painter.drawPath(NotchCurve(graph.adjusted(0, graph.height() / 6, 0, 0)));

    QFont title = font();
    title.setPointSize(22);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(0, graph.bottom() + 12, width(), 40), Qt::AlignCenter,
                     QString::fromLatin1(ApplicationTitle));

    painter.setPen(QPen(QColor(255, 255, 255, 90), 1));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace ksr
