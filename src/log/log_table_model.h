#pragma once

#include "reading/reading.h"

#include <QAbstractTableModel>
#include <QList>
#include <QString>

#include <array>
#include <optional>

// The measurement log's rows: ten columns of texts, as the table shows them,
// and beside them the reading each row was written from (numbers in SI
// units, for statistics, charts and CSV; never parsed back from the texts).
// Colours are not stored: the mark role derives them from the row's reject
// cell and the latest verdict when the row is drawn.
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
    static constexpr int kRejectColumn = 7;
    static constexpr int kPrimaryDeviationColumn = 8;
    static constexpr int kSecondaryDeviationColumn = 9;

    // data() answers this role with a CellMark (as int) for every cell.
    static constexpr int CellMarkRole = Qt::UserRole + 1;
    enum class CellMark { None = 0, Reject, Pass };

    using Row = std::array<QString, kColumns>;
    // One optional text per column: nullopt leaves that cell as it is.
    using Cells = std::array<std::optional<QString>, kColumns>;

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

    // Writes the given cells of one row and the reading behind them, with one
    // change notice for the row; false outside the table.
    bool writeRow(int row, const Cells &cells, const reading::Reading &reading);
    // The reading row `row` was written from; nullptr for a row written by
    // no reading (empty, or a profile line waiting for its part).
    const reading::Reading *reading(int row) const;

    // Appends one row (missing texts stay empty, extra ones are dropped);
    // false when the table already holds kMaxRows rows.
    bool appendRow(const QStringList &texts = {});
    // Grows with empty rows or drops rows from the end; clamped to 0..kMaxRows.
    void setRowCount(int rows);
    // Empties every cell and forgets every reading; keeps the rows and headers.
    void clearCells();
    // Removes every row; the headers stay.
    void clear();

    // The reject and pass texts of the reject column ("+" and "-" in the
    // design language); they follow the language, so the window sets them.
    void setMarks(const QString &reject, const QString &pass);
    const QString &rejectMark() const { return m_rejectMark; }
    const QString &passMark() const { return m_passMark; }
    // The verdict of the latest judgement: the deviation cells of every
    // reject row are marked by it, not by the verdict the row was written with.
    void setLatestJudgeResult(int judgeResult);
    int latestJudgeResult() const { return m_latestJudgeResult; }
    CellMark cellMark(int row, int column) const;

    // Counts every change other than a reading written or rows added at the
    // end (headers, marks, single cells, emptying, shrinking), so the log's
    // journal can tell when the table's layout has to be written again.
    quint64 layoutRevision() const { return m_layoutRevision; }

signals:
    // A reading was written into `row` (written or overwritten).
    void readingWritten(int row);

private:
    struct StoredRow
    {
        Row texts;
        reading::Reading reading;
        bool hasReading = false;
    };

    void assign(int row, int column, const QString &text);

    QList<StoredRow> m_rows;
    Row m_headers;
    QString m_rejectMark = QStringLiteral("+");
    QString m_passMark = QStringLiteral("-");
    int m_latestJudgeResult = 0;
    quint64 m_layoutRevision = 0;
};
