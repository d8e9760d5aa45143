#include "log/batch_controller.h"

#include "log/batch_lexicon.h"
#include "log/log_context_menu.h"
#include "log/reading_csv.h"
#include "log/statistics_window.h"
#include "log/trend_chart_window.h"
#include "panel/handler_edge.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QTableView>
#include <QTimer>

#include <utility>

namespace {

QString askWithDialog(QWidget *parent, const QString &caption, const QString &filter, const QString &suffix)
{
    QFileDialog dialog(parent, caption, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
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
        const LoggedReading *reading = m_tracker.rowAt()(row);
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
    if (m_statistics && m_statistics->isVisible())
        m_statistics->showFigures(m_tracker.statistics(), tolerances);
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
    if (!m_statistics)
        m_statistics = new StatisticsWindow(Dstat, m_lexicons, m_window);
    m_statistics->showFigures(m_tracker.statistics(), m_tolerances());
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
    }
    m_chart->show();
    m_chart->raise();
    refresh();
}

QString BatchController::askFileName(int filterItem, const QString &suffix)
{
    return m_askFileName(m_window, Dstat.GetItem(filterItem == batch_text::CsvFiles ? batch_text::SaveCsv
                                                                                    : batch_text::SavePng)
                                       .remove(QStringLiteral("...")),
                         Dstat.GetItem(filterItem), suffix);
}

void BatchController::saveCsv()
{
    const QString path = askFileName(batch_text::CsvFiles, QStringLiteral("csv"));
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
    m_tracker.forEachRow([&](int row, const LoggedReading &) { rows.append(row); });
    const BatchTracker::RowAt &rowAt = m_tracker.rowAt();
    return writeCsvFile(
        path, rows.size(),
        [&](std::int64_t i) {
            const int row = rows.at(qsizetype(i));
            return csvRecordFor(*rowAt(row), row + 1);
        },
        error);
}

void BatchController::saveChartPng()
{
    if (!m_chart)
        return;
    const QString path = askFileName(batch_text::PngFiles, QStringLiteral("png"));
    if (!path.isEmpty() && !m_chart->savePng(path))
        emit failed(Dstat.GetItem(batch_text::SaveFailed), QFileInfo(path).fileName());
}
