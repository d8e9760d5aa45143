#include "log/log_header_view.h"

LogHeaderView::LogHeaderView(int height, QWidget *parent)
    : QHeaderView(Qt::Horizontal, parent)
    , m_height(height)
{
    setFixedHeight(height);
}

QSize LogHeaderView::sizeHint() const
{
    return QSize(length(), m_height);
}
