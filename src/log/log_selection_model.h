#pragma once

#include <QItemSelectionModel>

// A selection model that can be locked: while locked, neither the user nor the
// program makes a cell current or selected. The log is locked in single-part
// mode while recording is stopped.
class LogSelectionModel : public QItemSelectionModel
{
    Q_OBJECT

public:
    using QItemSelectionModel::QItemSelectionModel;

    bool isLocked() const { return m_locked; }
    void setLocked(bool locked) { m_locked = locked; }

    void setCurrentIndex(const QModelIndex &index, QItemSelectionModel::SelectionFlags command) override;
    void select(const QModelIndex &index, QItemSelectionModel::SelectionFlags command) override;
    void select(const QItemSelection &selection, QItemSelectionModel::SelectionFlags command) override;

private:
    bool m_locked = false;
};
