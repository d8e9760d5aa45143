#include "log/log_header_view.h"

LogHeaderView::LogHeaderView(int height, QWidget *parent)
    : QHeaderView(Qt::Horizontal, parent)
    , m_height(height)
{
    setFixedHeight(height);
    // The table is disabled while recording runs (no clicking, no
    // scrolling); its headers read as they do otherwise, like its cells.
    QPalette colours = palette();
    for (const QPalette::ColorRole role : {QPalette::ButtonText, QPalette::WindowText, QPalette::Text})
        colours.setColor(QPalette::Disabled, role, colours.color(QPalette::Active, role));
    setPalette(colours);
}

QSize LogHeaderView::sizeHint() const
{
    return QSize(length(), m_height);
}
