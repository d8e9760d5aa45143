#pragma once

#include "log/log_row.h"
#include "reading/reading.h"

#include <QObject>
#include <QStringList>

class LogSelectionModel;
class LogTableModel;
class QAbstractButton;
class QComboBox;
class QEvent;
class QSpinBox;
class QTableView;
class QTimer;
class QWidget;

namespace i18n {
struct WindowLexicons;
}

// The measurement log on the window: the table SG over a LogTableModel, the
// start position SE1, the recording button SP1 and the space bar. The window
// owns it and binds the buttons; the profile side (multi-part mode) calls
// showMultiPartHeaders, showLineRows and selectGridCell.
//
// Rows are numbered as the log counts them: row 0 is the header, rows 1.. hold
// readings; the table has tableRows() rows, header included.
class LogController : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        QTableView *SG = nullptr;
        QSpinBox *SE1 = nullptr;        // single part: the position of the next row
        QAbstractButton *SP1 = nullptr; // two-state: recording runs while it is down
        QWidget *SP3 = nullptr;         // capture: not while recording runs
        QWidget *Memo1 = nullptr;       // takes the focus after start and stop
        QComboBox *CBox10 = nullptr;    // part mode: item 0 single part, item 1 multi part
        QSpinBox *SE2 = nullptr;        // multi part: the current profile line
        QWidget *window = nullptr;      // the window whose keys are watched for the space bar
    };

    static constexpr int kSinglePartTableRows = 16; // header + 15
    // A new row becomes the current one (and scrolls into view) at most
    // this often, which is how often the window paints while readings pour
    // in (74 a second at most): moving it more often is work nobody sees.
    static constexpr int kFollowIntervalMs = 100;

    // Makes the model, the cell drawing and the selection rules of SG. Looks
    // up no lexicon item: the headers come with showSinglePartHeaders.
    LogController(const Controls &controls, const i18n::WindowLexicons &lexicons, QObject *parent = nullptr);
    ~LogController() override;

    LogTableModel *model() const { return m_model; }

    bool multiPart() const;
    bool recording() const;
    // Rows of the table, the header row included.
    int tableRows() const;

    // SE1 back to 1; `rows` rows (header included), every data row empty.
    void resetLogTable(int rows);
    // resetLogTable(16) and the ten single-part headers (D2 items 1..10).
    void showSinglePartHeaders();
    // The multi-part measuring headers on columns 2..9 (D2 items 3..10);
    // columns 0 and 1 keep theirs ("Позиция", "Наименование").
    void showMultiPartHeaders();
    // Rows 1..lineCount get their line number and the line's name (empty
    // past the end of `lineNames`). The table must have lineCount + 1 rows.
    void showLineRows(int lineCount, const QStringList &lineNames);

    // Writes the reading as a row: single part at the start position (then
    // it advances, cropped at 100000), multi part at line SE2. Grows the
    // table when needed and, from row 3 on, makes the row current where the
    // table takes a selection. SE1 and the current row show the new state
    // within kFollowIntervalMs. Returns the row written; nextLogRow is one
    // more.
    int appendLogRow(const logbook::LogRowSource &source, const reading::Reading &reading);

    // Focus to the table, cell (row, column) current and selected.
    void selectGridCell(int row, int column);

    // A row written lately is still to become the current one (it does
    // within kFollowIntervalMs).
    bool currentRowPending() const;
    // The position the next single-part row goes to. SE1 shows it, at the
    // latest kFollowIntervalMs after a row; a change of SE1 sets it at once.
    int startPosition() const { return m_position; }

    // Shows SP1's state: "Стоп" and SG and SP3 disabled while down, "Пуск"
    // and both enabled while up; the focus goes to Memo1.
    void showRecordingState();
    // Releases SP1 and shows it (as when the user releases it).
    void stopRecording();

    // The verdict of the latest judgement (colours of the deviation cells).
    void setLatestJudgeResult(int judgeResult);

signals:
    // The space bar went down somewhere in the window. Not consumed: the
    // focused control gets the key as well.
    void spaceBarPressed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Single part while stopped: the user cannot make a cell current, and a
    // new row does not move the current row either.
    void updateSelectionRule();
    void setHeaders(int firstColumn, int firstItem, int count);
    // Row `row` (0: none) is to become the current one, and SE1 to show the
    // start position, with the next update due.
    void follow(int row);
    void showFollowed();

    Controls m_c;
    const i18n::WindowLexicons &m_lexicons;
    LogTableModel *m_model = nullptr;
    LogSelectionModel *m_selection = nullptr;
    QTimer *m_follow = nullptr;
    int m_followedRow = 0; // the row to make current; 0: none
    int m_position = 1;    // the next single-part row; SE1 shows it
};
