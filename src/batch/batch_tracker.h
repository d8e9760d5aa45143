#pragma once

#include "batch/batch_statistics.h"

#include <QBitArray>

#include <cstdint>
#include <functional>

// Follows the log's rows for the batch figures. A row written for the first
// time is added in O(1); a row written again (the start position set back, a
// profile line measured anew) or an emptied log makes the figures be counted
// again from the rows, once, when they are next asked for: a spread or a
// minimum cannot be taken back value by value.
class BatchTracker
{
public:
    // The reading of a log row (counted from 0), nullptr for a row without one.
    using RowAt = std::function<const reading::Reading *(int row)>;
    using RowCount = std::function<int()>;

    enum class Change {
        Added,   // a new row: the figures and the chart just grow
        Recount, // an old row changed: everything is counted again
    };

    BatchTracker(RowAt rowAt, RowCount rowCount);

    Change rowWritten(int row);
    // The log was emptied or reshaped.
    void reset();

    // Up to date with every row written so far.
    const BatchStatistics &statistics();
    // Rows that hold a reading, in row order; calls `visit(row, reading)`.
    void forEachRow(const std::function<void(int, const reading::Reading &)> &visit) const;

    const RowAt &rowAt() const { return m_rowAt; }

private:
    void recount();

    RowAt m_rowAt;
    RowCount m_rowCount;
    BatchStatistics m_statistics;
    QBitArray m_counted; // rows whose reading is in m_statistics
    bool m_recountPending = false;
};
