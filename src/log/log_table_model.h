#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>

#include <array>

// The texts of the measurement log: ten columns of plain strings, one header
// text per column, and as many rows as the program asks for. Nothing else is
// stored per row; colours are derived from the texts when a row is drawn.
//
// Row numbers here count data rows from 0. The log's own numbering counts the
// header as row 0, so its row r is row r - 1 of this model.
class LogTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int kColumns = 10;
    // The log grows on demand up to its row 100000 (header excluded).
    static constexpr int kMaxRows = 100000;

    using Row = std::array<QString, kColumns>;

    explicit LogTableModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    QString headerText(int column) const;
    void setHeaderText(int column, const QString &text);

    // Empty text for a cell outside the table.
    QString cell(int row, int column) const;
    // Writes one cell; false (and nothing changes) outside the table.
    bool setCell(int row, int column, const QString &text);

    // Appends one row (missing texts stay empty, extra ones are dropped);
    // false when the table already holds kMaxRows rows.
    bool appendRow(const QStringList &texts = {});
    // Grows with empty rows or drops rows from the end; clamped to 0..kMaxRows.
    void setRowCount(int rows);
    // Empties every cell and keeps the rows and headers.
    void clearCells();
    // Removes every row; the headers stay.
    void clear();

private:
    QList<Row> m_rows;
    Row m_headers;
};
