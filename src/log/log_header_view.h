#pragma once

#include <QHeaderView>

// The log's header row: one row of the table's own height. Its size is fixed,
// so the table need not measure the header texts again each time a row is
// added (which it otherwise does for every reading while recording).
class LogHeaderView : public QHeaderView
{
    Q_OBJECT

public:
    LogHeaderView(int height, QWidget *parent = nullptr);

    QSize sizeHint() const override;

private:
    int m_height;
};
