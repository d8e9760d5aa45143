#include "batch/batch_controller.h"

#include "panel/companion_placement.h"

#include "batch/batch_lexicon.h"
#include "batch/log_context_menu.h"
#include "export/reading_csv.h"
#include "batch/statistics_window.h"
#include "batch/trend_chart_window.h"
#include "panel/handler_edge.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QScreen>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

QString askWithDialog(QWidget *parent, const QString &caption, const QString &filter, const QString &suffix)
{
    // The user's home first, then the folder last saved into: the program
    // may run from its private folder, which is no place for the user's files.
    static QString lastFolder = QDir::homePath();
    QFileDialog dialog(parent, caption, lastFolder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    lastFolder = dialog.directory().absolutePath();
    return dialog.selectedFiles().constFirst();
}

} // namespace

BatchController::BatchController(QTableView *SG, QWidget *window, const i18n::WindowLexicons &lexicons,
                                 BatchTracker::RowAt rowAt, BatchTracker::RowCount rowCount, QObject *parent)
    : QObject(parent)
    , Dstat(makeBatchLexicon())
    , m_window(window)
    , m_lexicons(lexicons)
    , m_tracker(std::move(rowAt), std::move(rowCount))
    , m_tolerances([] { return BatchTolerances{}; })
    , m_askFileName(askWithDialog)
{
    m_menu = new LogContextMenu(SG, window, Dstat, this);
    connect(m_menu->statisticsAction(), &QAction::triggered, this,
            panel::atEdge(this, &BatchController::showStatistics));
    connect(m_menu->chartAction(), &QAction::triggered, this, panel::atEdge(this, &BatchController::showChart));
    connect(m_menu->csvAction(), &QAction::triggered, this, panel::atEdge(this, &BatchController::saveCsv));

    m_refresh = new QTimer(this);
    m_refresh->setSingleShot(true);
    m_refresh->setInterval(kRefreshMs);
    connect(m_refresh, &QTimer::timeout, this, &BatchController::refresh);
}

BatchController::~BatchController()
{
    // The windows read the tracker and the lexicon, which go with this object.
    delete m_statistics.data();
    delete m_chart.data();
}

StatisticsWindow *BatchController::statisticsWindow() const
{
    return m_statistics.data();
}

TrendChartWindow *BatchController::chartWindow() const
{
    return m_chart.data();
}

void BatchController::setTolerances(std::function<BatchTolerances()> tolerances)
{
    m_tolerances = std::move(tolerances);
}

void BatchController::setFileNameAsker(FileNameAsker asker)
{
    m_askFileName = std::move(asker);
}

void BatchController::rowWritten(int row)
{
    const BatchTracker::Change change = m_tracker.rowWritten(row);
    if (m_chart && !m_chartStale) {
        const reading::Reading *reading = m_tracker.rowAt()(row);
        if (change == BatchTracker::Change::Recount || (reading && !m_chart->addRow(row, *reading)))
            m_chartStale = true;
    }
    scheduleRefresh();
}

void BatchController::rowsReset()
{
    m_tracker.reset();
    m_chartStale = true;
    scheduleRefresh();
}

void BatchController::scheduleRefresh()
{
    if (!m_refresh->isActive())
        m_refresh->start();
}

void BatchController::refresh()
{
    const BatchTolerances tolerances = m_tolerances();
    if (m_statistics && m_statistics->isVisible()) {
        m_statistics->showFigures(m_tracker.statistics(), tolerances);
        m_statistics->showTally(m_tallySummary ? m_tallySummary() : QString());
    }
    if (m_chart) {
        m_chart->setTolerance(tolerances.primary);
        if (m_chartStale) {
            m_chartStale = false;
            m_chart->rebuild();
        } else if (m_chart->isVisible()) {
            m_chart->refresh();
        }
    }
}

void BatchController::showStatistics()
{
    const bool fresh = !m_statistics;
    if (fresh)
        m_statistics = new StatisticsWindow(Dstat, m_lexicons, m_window);
    m_statistics->showFigures(m_tracker.statistics(), m_tolerances());
    m_statistics->showTally(m_tallySummary ? m_tallySummary() : QString());
    if (fresh)
        panel::placeBeside(m_statistics, m_window, m_chart);
    m_statistics->show();
    m_statistics->raise();
}

void BatchController::showChart()
{
    if (!m_chart) {
        m_chart = new TrendChartWindow(m_tracker, Dstat, m_lexicons, m_window);
        connect(m_chart, &TrendChartWindow::savePngRequested, this,
                panel::atEdge(this, &BatchController::saveChartPng));
        m_chart->setTolerance(m_tolerances().primary);
        m_chart->rebuild();
        m_chartStale = false;
        panel::placeBeside(m_chart, m_window, m_statistics);
    }
    m_chart->show();
    m_chart->raise();
    refresh();
}

QString BatchController::askFileName(QWidget *parent, int filterItem, const QString &suffix)
{
    return m_askFileName(parent, Dstat.GetItem(filterItem == batch_text::CsvFiles ? batch_text::SaveCsv
                                                                                    : batch_text::SavePng)
                                       .remove(QStringLiteral("...")),
                         Dstat.GetItem(filterItem), suffix);
}

void BatchController::saveCsv()
{
    const QString path = askFileName(m_window, batch_text::CsvFiles, QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    QString error;
    if (!saveCsvTo(path, &error))
        emit failed(Dstat.GetItem(batch_text::SaveFailed), QFileInfo(path).fileName() + QStringLiteral(": ") + error);
}

bool BatchController::saveCsvTo(const QString &path, QString *error)
{
    // Rows in the order of the log, each with the number the log shows.
    QList<int> rows;
    m_tracker.forEachRow([&](int row, const reading::Reading &) { rows.append(row); });
    const BatchTracker::RowAt &rowAt = m_tracker.rowAt();
    return writeCsvFile(
        path, rows.size(),
        [&](std::int64_t i) {
            const int row = rows.at(qsizetype(i));
            return csvLine(*rowAt(row), row + 1);
        },
        error);
}

void BatchController::saveChartPng()
{
    if (!m_chart)
        return;
    // The chart's own dialog: the chart stays in front of the main window after it.
    const QString path = askFileName(m_chart, batch_text::PngFiles, QStringLiteral("png"));
    QString error;
    if (!path.isEmpty() && !m_chart->savePng(path, &error))
        emit failed(Dstat.GetItem(batch_text::SaveFailed), QFileInfo(path).fileName() + QStringLiteral(": ") + error);
}
