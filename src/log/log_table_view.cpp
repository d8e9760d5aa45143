#include "log/log_table_view.h"

#include <QHeaderView>
#include <QScrollBar>

void LogTableView::rowsInserted(const QModelIndex &parent, int start, int end)
{
    QTableView::rowsInserted(parent, start, end);
    const bool atEnd = !parent.isValid() && model() && end == model()->rowCount() - 1;
    if (!atEnd)
        m_otherChange = true;
    else if (m_appendedFrom < 0 || start < m_appendedFrom)
        m_appendedFrom = start;
}

void LogTableView::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end)
{
    m_otherChange = true;
    QTableView::rowsAboutToBeRemoved(parent, start, end);
}

void LogTableView::reset()
{
    m_otherChange = true;
    QTableView::reset();
}

void LogTableView::setModel(QAbstractItemModel *model)
{
    m_otherChange = true;
    QTableView::setModel(model);
}

void LogTableView::doItemsLayout()
{
    const int appendedFrom = m_appendedFrom;
    const bool otherChange = m_otherChange;
    m_appendedFrom = -1;
    m_otherChange = false;
    if (otherChange || appendedFrom < 0) {
        QTableView::doItemsLayout();
        return;
    }
    updateGeometries();
    // The new rows' area (empty cells and grid lines), as far as it shows.
    const int top = verticalHeader()->sectionViewportPosition(appendedFrom);
    if (top < viewport()->height())
        viewport()->update(QRect(0, std::max(top, 0), viewport()->width(), viewport()->height() - std::max(top, 0)));
}
