#include "log/log_table_model.h"

#include <algorithm>

LogTableModel::LogTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

int LogTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int LogTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant LogTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role != Qt::DisplayRole)
        return {};
    return m_rows.at(index.row()).at(index.column());
}

QVariant LogTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumns)
        return {};
    return m_headers.at(section);
}

Qt::ItemFlags LogTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // The log is written by the program only.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

QString LogTableModel::headerText(int column) const
{
    return column >= 0 && column < kColumns ? m_headers.at(column) : QString();
}

void LogTableModel::setHeaderText(int column, const QString &text)
{
    if (column < 0 || column >= kColumns || m_headers.at(column) == text)
        return;
    m_headers[column] = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

QString LogTableModel::cell(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= kColumns)
        return {};
    return m_rows.at(row).at(column);
}

bool LogTableModel::setCell(int row, int column, const QString &text)
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= kColumns)
        return false;
    QString &target = m_rows[row][column];
    if (target != text) {
        target = text;
        const QModelIndex at = index(row, column);
        emit dataChanged(at, at, {Qt::DisplayRole});
    }
    return true;
}

bool LogTableModel::appendRow(const QStringList &texts)
{
    if (m_rows.size() >= kMaxRows)
        return false;
    Row row;
    std::copy_n(texts.cbegin(), std::min<qsizetype>(texts.size(), kColumns), row.begin());
    const int at = int(m_rows.size());
    beginInsertRows(QModelIndex(), at, at);
    m_rows.append(std::move(row));
    endInsertRows();
    return true;
}

void LogTableModel::setRowCount(int rows)
{
    rows = std::clamp(rows, 0, kMaxRows);
    const int current = int(m_rows.size());
    if (rows > current) {
        beginInsertRows(QModelIndex(), current, rows - 1);
        m_rows.resize(rows);
        endInsertRows();
    } else if (rows < current) {
        beginRemoveRows(QModelIndex(), rows, current - 1);
        m_rows.resize(rows);
        endRemoveRows();
    }
}

void LogTableModel::clearCells()
{
    if (m_rows.isEmpty())
        return;
    for (Row &row : m_rows)
        row.fill(QString());
    emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, kColumns - 1), {Qt::DisplayRole});
}

void LogTableModel::clear()
{
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}
