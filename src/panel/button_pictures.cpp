#include "panel/button_pictures.h"

#include "panel/panel_colours.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <functional>
#include <numbers>

namespace panel {

namespace {

// Draws on a 16 x 16 grid and renders it at each size the icon offers.
QIcon drawnIcon(const std::function<void(QPainter &)> &draw, std::initializer_list<int> sizes = {16, 32})
{
    QIcon icon;
    for (int size : sizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        draw(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QIcon brightnessIcon()
{
    return drawnIcon([](QPainter &p) {
        p.setPen(QPen(QColor(200, 140, 0), 1.4, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 8; ++i) {
            const double a = i * std::numbers::pi / 4;
            p.drawLine(QPointF(8 + 5 * std::cos(a), 8 + 5 * std::sin(a)),
                       QPointF(8 + 7.2 * std::cos(a), 8 + 7.2 * std::sin(a)));
        }
        p.setBrush(QColor(255, 200, 0));
        p.drawEllipse(QPointF(8, 8), 3.4, 3.4);
    });
}

QIcon captureIcon()
{
    // A padlock: the reading is held.
    return drawnIcon([](QPainter &p) {
        p.setPen(QPen(QColor(60, 60, 60), 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(4.5, 1.5, 7, 9), 0, 180 * 16);
        p.drawLine(QPointF(4.5, 6), QPointF(4.5, 8));
        p.drawLine(QPointF(11.5, 6), QPointF(11.5, 8));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(190, 140, 40));
        p.drawRoundedRect(QRectF(2.5, 7.5, 11, 7.5), 1.5, 1.5);
        p.setBrush(QColor(60, 60, 60));
        p.drawEllipse(QPointF(8, 11), 1.2, 1.2);
    });
}

QIcon soundIcon()
{
    return drawnIcon([](QPainter &p) {
        QPainterPath speaker;
        speaker.moveTo(1.5, 6);
        speaker.lineTo(4.5, 6);
        speaker.lineTo(8.5, 2.5);
        speaker.lineTo(8.5, 13.5);
        speaker.lineTo(4.5, 10);
        speaker.lineTo(1.5, 10);
        speaker.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(50, 50, 50));
        p.drawPath(speaker);
        p.setPen(QPen(QColor(50, 50, 50), 1.3, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(7, 5, 5, 6), -50 * 16, 100 * 16);
        p.drawArc(QRectF(6, 2.5, 9, 11), -50 * 16, 100 * 16);
    });
}

QIcon meterIcon()
{
    return drawnIcon(
        [](QPainter &p) {
            p.setPen(QPen(QColor(20, 40, 80), 0.8));
            p.setBrush(QColor(60, 90, 140));
            p.drawRoundedRect(QRectF(1, 1, 14, 14), 2, 2);
            p.setPen(Qt::NoPen);
            p.setBrush(displayColour());
            p.drawRect(QRectF(3, 3, 10, 6));
            p.setPen(QPen(Qt::black, 0.9));
            QPainterPath wave;
            wave.moveTo(3.5, 6);
            for (double x = 3.5; x <= 12.5; x += 0.25)
                wave.lineTo(x, 6 - 2 * std::sin((x - 3.5) * std::numbers::pi / 3));
            p.setBrush(Qt::NoBrush);
            p.drawPath(wave);
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(230, 230, 230));
            for (int i = 0; i < 3; ++i)
                p.drawEllipse(QPointF(4.5 + 3.5 * i, 12), 1.2, 1.2);
        },
        {16, 32, 48});
}

} // namespace panel
