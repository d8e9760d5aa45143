#include "log/log_table_view.h"

#include <QHeaderView>
#include <QTimerEvent>

LogTableView::LogTableView(QWidget *parent)
    : QTableView(parent)
{
    // The view's own answer to the row count goes (however Qt connected
    // it); ours calls it for every change but growth.
    QHeaderView *rows = verticalHeader();
    if (disconnect(rows, &QHeaderView::sectionCountChanged, this, &LogTableView::rowCountChanged)
        || disconnect(rows, SIGNAL(sectionCountChanged(int, int)), this, SLOT(rowCountChanged(int, int))))
        connect(rows, &QHeaderView::sectionCountChanged, this, &LogTableView::rowCountChanges);
}

void LogTableView::rowCountChanges(int oldCount, int newCount)
{
    if (newCount <= oldCount || oldCount == 0) {
        m_rangeDue.stop();
        rowCountChanged(oldCount, newCount);
        return;
    }
    // The new rows, where they are in view.
    const int top = rowViewportPosition(oldCount);
    const int bottom = rowViewportPosition(newCount - 1) + rowHeight(newCount - 1);
    viewport()->update(0, top, viewport()->width(), bottom - top);
    if (!m_rangeDue.isActive())
        m_rangeDue.start(kRangeDelayMs, this);
}

void LogTableView::measureRange()
{
    if (!m_rangeDue.isActive())
        return;
    m_rangeDue.stop();
    updateGeometries();
}

void LogTableView::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    // The scroll range must include the new rows before scrolling to one.
    measureRange();
    QTableView::scrollTo(index, hint);
}

void LogTableView::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_rangeDue.timerId()) {
        measureRange();
        return;
    }
    QTableView::timerEvent(event);
}
