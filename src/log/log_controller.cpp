#include "log/log_controller.h"

#include "profiles/part_mode.h"

#include "i18n/window_lexicons.h"
#include "log/log_cell_delegate.h"
#include "log/log_selection_model.h"
#include "log/log_table_model.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

// From this row on a new row becomes the current one (and so scrolls into view).
constexpr int kFirstFollowedRow = 3;

// A space press the log has counted. Qt hands an unaccepted key to each
// parent of its receiver in turn, through the application's filter each time;
// this copy goes that way in place of the original, so a hand-over is known
// by the event itself.
class CountedKeyPress : public QKeyEvent
{
public:
    explicit CountedKeyPress(const QKeyEvent &press)
        : QKeyEvent(press.type(), press.key(), press.modifiers(), press.nativeScanCode(), press.nativeVirtualKey(),
                    press.nativeModifiers(), press.text(), press.isAutoRepeat(), press.count(), press.device())
    {
        setTimestamp(press.timestamp());
    }
};

} // namespace

LogController::LogController(const Controls &controls, const i18n::WindowLexicons &lexicons, QObject *parent)
    : QObject(parent)
    , m_c(controls)
    , m_lexicons(lexicons)
{
    m_model = new LogTableModel(this);
    m_c.SG->setModel(m_model);
    // The view's own selection model goes; ours can refuse changes.
    QItemSelectionModel *former = m_c.SG->selectionModel();
    m_selection = new LogSelectionModel(m_model, this);
    m_c.SG->setSelectionModel(m_selection);
    delete former;
    m_c.SG->setItemDelegate(new LogCellDelegate(m_c.SG));
    m_c.SG->setSelectionMode(QAbstractItemView::SingleSelection);
    m_c.SG->setSelectionBehavior(QAbstractItemView::SelectItems);

    m_follow = new QTimer(this);
    m_follow->setSingleShot(true);
    m_follow->setInterval(kFollowIntervalMs);
    connect(m_follow, &QTimer::timeout, this, &LogController::showFollowed);
    // Whoever sets SE1 (the user, or a reset) sets where the next row goes.
    m_position = m_c.SE1->value();
    connect(m_c.SE1, &QSpinBox::valueChanged, this, [this](int value) { m_position = value; });

    connect(m_c.CBox10, &QComboBox::currentIndexChanged, this, &LogController::updateSelectionRule);
    connect(m_c.SP1, &QAbstractButton::toggled, this, &LogController::updateSelectionRule);
    updateSelectionRule();

    // The window sees every key before the focused control does.
    qApp->installEventFilter(this);
}

LogController::~LogController()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

bool LogController::multiPart() const
{
    return profiles::isMultiPart(m_c.CBox10->currentIndex());
}

bool LogController::recording() const
{
    return m_c.SP1->isChecked();
}

int LogController::tableRows() const
{
    return m_model->rowCount() + 1;
}

void LogController::updateSelectionRule()
{
    m_selection->setLocked(!multiPart() && !recording());
}

void LogController::resetLogTable(int rows)
{
    m_followedRow = 0;
    m_position = 1;
    m_c.SE1->setValue(1);
    m_model->setRowCount(rows - 1);
    m_model->clearCells();
}

void LogController::setHeaders(int firstColumn, int firstItem, int count)
{
    for (int i = 0; i < count; ++i)
        m_model->setHeaderText(firstColumn + i, m_lexicons.D2.GetItem(firstItem + i));
    // The marks follow the language as the headers do.
    m_model->setMarks(m_lexicons.D3.GetItem(3), m_lexicons.D3.GetItem(4));
}

void LogController::showSinglePartHeaders()
{
    resetLogTable(kSinglePartTableRows);
    setHeaders(0, 1, LogTableModel::kColumns);
}

void LogController::showMultiPartHeaders()
{
    setHeaders(2, 3, LogTableModel::kColumns - 2);
}

void LogController::showLineRows(int lineCount, const QStringList &lineNames)
{
    for (int line = 1; line <= lineCount && line < tableRows(); ++line) {
        m_model->setCell(line - 1, 0, QString::number(line));
        m_model->setCell(line - 1, 1, line - 1 < lineNames.size() ? lineNames.at(line - 1) : QString());
    }
}

void LogController::follow(int row)
{
    if (row != 0)
        m_followedRow = row;
    if (!m_follow->isActive())
        m_follow->start();
}

bool LogController::currentRowPending() const
{
    return m_followedRow != 0;
}

void LogController::showFollowed()
{
    // Setting SE1 from its own value changes nothing; each setting costs
    // the spin field a new text layout, so it happens here, not per row.
    m_c.SE1->setValue(m_position);
    const int row = std::exchange(m_followedRow, 0);
    if (row < 1 || row >= tableRows())
        return;
    const QModelIndex current = m_c.SG->currentIndex();
    const QModelIndex target = m_model->index(row - 1, current.isValid() ? current.column() : 0);
    // Refused while the table takes no selection (single part, stopped).
    m_selection->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
}

int LogController::appendLogRow(const logbook::LogRowSource &source, const reading::Reading &reading)
{
    const bool multi = multiPart();
    const int row = std::clamp(multi ? m_c.SE2->value() : m_position, 1, LogTableModel::kMaxRows);
    if (tableRows() <= row)
        m_model->setRowCount(row);
    const bool moveCurrent = row >= kFirstFollowedRow && !m_selection->isLocked();

    const logbook::LogRowCells cells =
        logbook::composeLogRow(row, source, multi, logbook::LogTextContext::fromLocale(m_lexicons));
    m_model->writeRow(row - 1, cells, reading);
    // The position stops at SE1's maximum: after row 100000 the next row
    // goes to row 100000 again.
    if (!multi)
        m_position = std::min(row + 1, m_c.SE1->maximum());
    if (moveCurrent || !multi)
        follow(moveCurrent ? row : 0);
    return row;
}

void LogController::selectGridCell(int row, int column)
{
    m_followedRow = 0;
    m_c.SG->setFocus();
    const QModelIndex target = m_model->index(row - 1, column);
    m_selection->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
}

void LogController::showRecordingState()
{
    const bool running = recording();
    m_c.SP1->setText(m_lexicons.D1.GetItem(running ? 2 : 8));
    m_c.SG->setEnabled(!running);
    m_c.SP3->setEnabled(!running);
    updateSelectionRule();
    m_c.Memo1->setFocus();
}

void LogController::stopRecording()
{
    m_c.SP1->setChecked(false);
    showRecordingState();
}

void LogController::setLatestJudgeResult(int judgeResult)
{
    m_model->setLatestJudgeResult(judgeResult);
}

bool LogController::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (dynamic_cast<const CountedKeyPress *>(key))
        return false;
    // A held key repeats; one press records one row.
    if (key->key() != Qt::Key_Space || key->isAutoRepeat())
        return false;
    if (static_cast<QWidget *>(watched)->window() != m_c.window)
        return false;
    emit spaceBarPressed();
    // Not consumed: the receiver and, as usual, its parents get the press.
    CountedKeyPress counted(*key);
    QCoreApplication::sendEvent(watched, &counted);
    event->setAccepted(true);
    return true;
}
