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
    switch (role) {
    case Qt::DisplayRole:
        return m_rows.at(index.row()).texts.at(index.column());
    case CellMarkRole:
        return int(cellMark(index.row(), index.column()));
    default:
        return {};
    }
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
    ++m_layoutRevision;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

QString LogTableModel::cell(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= kColumns)
        return {};
    return m_rows.at(row).texts.at(column);
}

void LogTableModel::assign(int row, int column, const QString &text)
{
    QString &target = m_rows[row].texts[column];
    // Most columns repeat from row to row (circuit, frequency, level, the
    // marks): share the row above's copy instead of keeping one per row.
    if (row > 0) {
        const QString &above = m_rows.at(row - 1).texts.at(column);
        if (above == text) {
            target = above;
            return;
        }
    }
    target = text;
}

bool LogTableModel::setCell(int row, int column, const QString &text)
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= kColumns)
        return false;
    if (m_rows.at(row).texts.at(column) != text) {
        assign(row, column, text);
        ++m_layoutRevision;
        const QModelIndex at = index(row, column);
        emit dataChanged(at, at, {Qt::DisplayRole, CellMarkRole});
        // The reject cell decides the colours of its row's judgement cells.
        if (column == kRejectColumn)
            emit dataChanged(index(row, kPrimaryDeviationColumn), index(row, kSecondaryDeviationColumn), {CellMarkRole});
    }
    return true;
}

bool LogTableModel::writeRow(int row, const Cells &cells, const reading::Reading &reading)
{
    if (row < 0 || row >= m_rows.size())
        return false;
    for (int column = 0; column < kColumns; ++column) {
        if (cells[column])
            assign(row, column, *cells[column]);
    }
    StoredRow &stored = m_rows[row];
    stored.reading = reading;
    stored.hasReading = true;
    emit dataChanged(index(row, 0), index(row, kColumns - 1), {Qt::DisplayRole, CellMarkRole});
    emit readingWritten(row);
    return true;
}

const reading::Reading *LogTableModel::reading(int row) const
{
    if (row < 0 || row >= m_rows.size() || !m_rows.at(row).hasReading)
        return nullptr;
    return &m_rows.at(row).reading;
}

bool LogTableModel::appendRow(const QStringList &texts)
{
    if (m_rows.size() >= kMaxRows)
        return false;
    const int at = int(m_rows.size());
    beginInsertRows(QModelIndex(), at, at);
    m_rows.append(StoredRow{});
    for (int column = 0; column < std::min<int>(int(texts.size()), kColumns); ++column)
        assign(at, column, texts.at(column));
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
        ++m_layoutRevision;
        beginRemoveRows(QModelIndex(), rows, current - 1);
        m_rows.resize(rows);
        endRemoveRows();
    }
}

void LogTableModel::clearCells()
{
    ++m_layoutRevision;
    if (m_rows.isEmpty())
        return;
    for (StoredRow &row : m_rows)
        row = StoredRow{};
    emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, kColumns - 1), {Qt::DisplayRole, CellMarkRole});
}

void LogTableModel::clear()
{
    ++m_layoutRevision;
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void LogTableModel::setMarks(const QString &reject, const QString &pass)
{
    if (reject == m_rejectMark && pass == m_passMark)
        return;
    m_rejectMark = reject;
    m_passMark = pass;
    ++m_layoutRevision;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, kRejectColumn), index(int(m_rows.size()) - 1, kSecondaryDeviationColumn),
                         {CellMarkRole});
}

void LogTableModel::setLatestJudgeResult(int judgeResult)
{
    if (judgeResult == m_latestJudgeResult)
        return;
    m_latestJudgeResult = judgeResult;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, kPrimaryDeviationColumn), index(int(m_rows.size()) - 1, kSecondaryDeviationColumn),
                         {CellMarkRole});
}

LogTableModel::CellMark LogTableModel::cellMark(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < kRejectColumn || column >= kColumns)
        return CellMark::None;
    const QString &verdict = m_rows.at(row).texts.at(kRejectColumn);
    const bool reject = !verdict.isEmpty() && verdict == m_rejectMark;
    switch (column) {
    case kRejectColumn:
        if (reject)
            return CellMark::Reject;
        return !verdict.isEmpty() && verdict == m_passMark ? CellMark::Pass : CellMark::None;
    case kPrimaryDeviationColumn:
        return reject && (m_latestJudgeResult == 1 || m_latestJudgeResult == 3) ? CellMark::Reject : CellMark::None;
    default:
        return reject && (m_latestJudgeResult == 2 || m_latestJudgeResult == 3) ? CellMark::Reject : CellMark::None;
    }
}
