#include "batch/batch_tracker.h"

#include <utility>

BatchTracker::BatchTracker(RowAt rowAt, RowCount rowCount)
    : m_rowAt(std::move(rowAt))
    , m_rowCount(std::move(rowCount))
{
}

BatchTracker::Change BatchTracker::rowWritten(int row)
{
    if (row < 0)
        return Change::Recount;
    if (m_recountPending || (row < m_counted.size() && m_counted.testBit(row))) {
        m_recountPending = true;
        return Change::Recount;
    }
    const reading::Reading *reading = m_rowAt(row);
    if (!reading)
        return Change::Added;
    if (row >= m_counted.size())
        m_counted.resize(std::max<qsizetype>(row + 1, m_counted.size() * 2)); // amortised growth
    m_counted.setBit(row);
    m_statistics.add(*reading);
    return Change::Added;
}

void BatchTracker::reset()
{
    m_recountPending = true;
}

const BatchStatistics &BatchTracker::statistics()
{
    if (m_recountPending)
        recount();
    return m_statistics;
}

void BatchTracker::forEachRow(const std::function<void(int, const reading::Reading &)> &visit) const
{
    const int rows = m_rowCount();
    for (int row = 0; row < rows; ++row) {
        if (const reading::Reading *reading = m_rowAt(row))
            visit(row, *reading);
    }
}

void BatchTracker::recount()
{
    m_recountPending = false;
    m_statistics.clear();
    const int rows = m_rowCount();
    m_counted.fill(false, rows);
    forEachRow([this](int row, const reading::Reading &reading) {
        m_counted.setBit(row);
        m_statistics.add(reading);
    });
}
