#include "log/log_selection_model.h"

void LogSelectionModel::setCurrentIndex(const QModelIndex &index, QItemSelectionModel::SelectionFlags command)
{
    if (!m_locked)
        QItemSelectionModel::setCurrentIndex(index, command);
}

void LogSelectionModel::select(const QModelIndex &index, QItemSelectionModel::SelectionFlags command)
{
    if (!m_locked)
        QItemSelectionModel::select(index, command);
}

void LogSelectionModel::select(const QItemSelection &selection, QItemSelectionModel::SelectionFlags command)
{
    if (!m_locked)
        QItemSelectionModel::select(selection, command);
}
