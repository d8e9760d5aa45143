#pragma once

#include <QBasicTimer>
#include <QTableView>

// The log table. A table view answers every change of its row count by
// measuring its scroll range and painting its whole picture again. While
// recording, the log grows by a row at its end up to 74 times a second; here
// only the new rows are painted, and the scroll range is measured at most
// once per kRangeDelayMs (at once before the table scrolls). A table that
// shrinks (a reset) is laid out afresh as before.
class LogTableView : public QTableView
{
    Q_OBJECT

public:
    static constexpr int kRangeDelayMs = 100;

    explicit LogTableView(QWidget *parent = nullptr);

    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    void rowCountChanges(int oldCount, int newCount);
    void measureRange();

    QBasicTimer m_rangeDue;
};
