#pragma once

#include <QTableView>

// The log's table. While recording, each reading past the last row adds a
// row; a plain table view then lays itself out again and repaints every
// visible cell, for each reading. Here rows added at the end only extend the
// scroll range and repaint their own area (the rows above did not change).
// Any other change of the rows lays the table out as usual.
class LogTableView : public QTableView
{
    Q_OBJECT

public:
    using QTableView::QTableView;

    void doItemsLayout() override;
    void reset() override;
    void setModel(QAbstractItemModel *model) override;

protected slots:
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) override;

private:
    // The first row added at the end since the last layout; -1 when the rows
    // changed in another way (or did not change) since then.
    int m_appendedFrom = -1;
    bool m_otherChange = true;
};
