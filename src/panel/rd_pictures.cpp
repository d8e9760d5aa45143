#include "panel/rd_pictures.h"

#include "panel/panel_colours.h"

#include <QPainter>
#include <QPolygon>

namespace panel {

namespace {

// The diode is drawn pointing up; pointing down is the same drawing with every
// row y moved to 80 - y, so the two stay exact mirror images.
class DiodePainter
{
public:
    DiodePainter(QPainter &painter, bool up)
        : m_painter(painter)
        , m_up(up)
    {
    }

    void rect(int x, int y, int w, int h)
    {
        m_painter.fillRect(x, m_up ? y : kRdPictureSize.height() - y - h, w, h, Qt::black);
    }

    void triangle(QPoint apex, int baseY, int halfWidth)
    {
        const QPolygon points{QPoint(apex.x(), row(apex.y())), QPoint(apex.x() - halfWidth, row(baseY)),
                              QPoint(apex.x() + halfWidth, row(baseY))};
        m_painter.setPen(Qt::NoPen);
        m_painter.setBrush(Qt::black);
        m_painter.drawPolygon(points);
    }

private:
    int row(int y) const { return m_up ? y : kRdPictureSize.height() - y; }

    QPainter &m_painter;
    bool m_up;
};

void drawDiode(QPainter &painter, bool up)
{
    DiodePainter diode(painter, up);
    diode.rect(29, 4, 2, 72);         // the lead through the symbol
    diode.rect(16, 22, 28, 3);        // the bar
    diode.triangle({30, 26}, 52, 14); // apex just past the bar
}

void drawResistor(QPainter &painter)
{
    painter.fillRect(29, 4, 2, 18, Qt::black);
    painter.fillRect(29, 58, 2, 18, Qt::black);
    painter.fillRect(20, 22, 20, 36, Qt::black);
    painter.fillRect(23, 25, 14, 30, displayColour());
}

} // namespace

QPixmap drawRdPicture(RdPicture picture)
{
    QPixmap pixmap(kRdPictureSize);
    pixmap.fill(displayColour());
    QPainter painter(&pixmap);
    // Hard edges: two colours only, like the meter's own segments.
    painter.setRenderHint(QPainter::Antialiasing, false);
    switch (picture) {
    case kDiodeUp:
        drawDiode(painter, true);
        break;
    case kDiodeDown:
        drawDiode(painter, false);
        break;
    case kResistor:
        drawResistor(painter);
        break;
    }
    return pixmap;
}

QList<QPixmap> makeRdPictures()
{
    return {drawRdPicture(kDiodeUp), drawRdPicture(kDiodeDown), drawRdPicture(kResistor)};
}

} // namespace panel
