#include "panel/panel_field.h"

#include <QMouseEvent>

namespace panel {

PanelField::PanelField(QWidget *parent)
    : QLabel(parent)
{
    // A label with a border indents its text by half an "x"; the highlight
    // would then shift the big display letters and cut them off.
    setIndent(0);
    setRaised(false);
}

void PanelField::setRaised(bool raised)
{
    m_raised = raised;
    // The one-pixel margin of the flat state is where the border goes when raised.
    if (raised) {
        setFrameStyle(QFrame::Panel | QFrame::Raised);
        setLineWidth(1);
        setMargin(0);
    } else {
        setFrameStyle(QFrame::NoFrame);
        setMargin(1);
    }
}

void PanelField::enterEvent(QEnterEvent *event)
{
    QLabel::enterEvent(event);
    emit entered();
}

void PanelField::leaveEvent(QEvent *event)
{
    QLabel::leaveEvent(event);
    emit left();
}

void PanelField::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    QLabel::mousePressEvent(event);
}

void PanelField::mouseReleaseEvent(QMouseEvent *event)
{
    // A click is a press and a release of the left button over the field.
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        emit clicked();
}

} // namespace panel
