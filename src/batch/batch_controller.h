#pragma once

#include "i18n/designed_lexicon.h"
#include "batch/batch_tolerance.h"
#include "batch/batch_tracker.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class LogContextMenu;
class QTableView;
class QTimer;
class QWidget;
class StatisticsWindow;
class TrendChartWindow;

namespace i18n {
struct WindowLexicons;
}

// The batch views of the log: the context menu on SG, the statistics and
// trend chart windows it opens, and "Save as CSV...". The window owns it,
// tells it which rows were written, and gives it the editor's tolerances.
// A written row costs O(1); the open windows are redrawn at most ten times a
// second, so a fast meter never floods the screen.
class BatchController : public QObject
{
    Q_OBJECT

public:
    static constexpr int kRefreshMs = 100;

    // Asks for the name of a file to save; empty when the user cancels.
    using FileNameAsker = std::function<QString(QWidget *parent, const QString &caption, const QString &filter,
                                                const QString &suffix)>;

    BatchController(QTableView *SG, QWidget *window, const i18n::WindowLexicons &lexicons,
                    BatchTracker::RowAt rowAt, BatchTracker::RowCount rowCount, QObject *parent = nullptr);
    ~BatchController() override;

    // The texts of the menu and the windows; the language engine translates them like the window's lexicons.
    i18n::TDesignedLexicon Dstat;

    void setTolerances(std::function<BatchTolerances()> tolerances);
    void setFileNameAsker(FileNameAsker asker);
    // The bin sorting's tally for the statistics window, asked at each redraw.
    void setTallySummary(std::function<QString()> summary) { m_tallySummary = std::move(summary); }
    // Something the open windows show changed besides the rows.
    void figuresChanged() { scheduleRefresh(); }

    // Row `row` of the log model (counted from 0) now holds a reading.
    void rowWritten(int row);
    // The log was emptied or reshaped.
    void rowsReset();

    void showStatistics();
    void showChart();
    // Asks for a file name, then writes the CSV; a failure is reported through `failed`.
    void saveCsv();
    bool saveCsvTo(const QString &path, QString *error = nullptr);
    void saveChartPng();

    LogContextMenu *contextMenu() const { return m_menu; }
    // Null until first opened.
    StatisticsWindow *statisticsWindow() const;
    TrendChartWindow *chartWindow() const;

signals:
    // A file could not be written; the owner shows the message.
    void failed(const QString &caption, const QString &text);

private:
    void scheduleRefresh();
    void refresh();
    QString askFileName(QWidget *parent, int filterItem, const QString &suffix);

    QWidget *m_window;
    const i18n::WindowLexicons &m_lexicons;
    BatchTracker m_tracker;
    std::function<BatchTolerances()> m_tolerances;
    std::function<QString()> m_tallySummary;
    FileNameAsker m_askFileName;
    LogContextMenu *m_menu = nullptr;
    QTimer *m_refresh = nullptr;
    QPointer<StatisticsWindow> m_statistics;
    QPointer<TrendChartWindow> m_chart;
    bool m_chartStale = false;
};
