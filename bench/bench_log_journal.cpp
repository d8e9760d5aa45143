// The log's journal: what it costs while rows come at the link's fastest,
// and how long a long log takes to come back.
//
//   BM_JournalRow            one row written to the table, with (1) and
//                            without (0) the journal; the difference is the
//                            journal's cost per row (encoding and one write)
//   BM_JournalSync           one fdatasync after a row (CPU and wall time)
//   BM_TableAt74RowsPerSecond  rows into the table every 13.5 ms for
//                            BENCH_SECONDS (default 5), without (0) and with
//                            (1) the journal, in one run: the process's CPU
//                            over wall time
//   BM_RestoreHundredThousandRows  a window offered a journal of 100 000
//                            rows, answered yes, until the log is painted
//
// The journal is written to a temporary folder (TMPDIR), a disk or tmpfs.

#include "app/form1.h"
#include "journal/journal_controller.h"
#include "journal/log_journal.h"
#include "log/log_table_model.h"
#include "window_bench_main.h"
#include "window_bench_tools.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

using namespace logbook::journal;

namespace {

// Texts and numbers as the window writes them for a 100 nF capacitor.
struct RowSource
{
    LogTableModel::Cells cells;
    reading::Reading reading;

    explicit RowSource(int row)
    {
        cells[0] = QString::number(row);
        cells[1] = QStringLiteral("10.12.26 14:%1:%2").arg(row / 60 % 60, 2, 10, QLatin1Char('0')).arg(row % 60, 2, 10, QLatin1Char('0'));
        cells[2] = QStringLiteral("C 100.%1 нФ").arg(row % 97, 2, 10, QLatin1Char('0'));
        cells[3] = QStringLiteral("D 0.00%1").arg(row % 89 + 10);
        cells[4] = QStringLiteral("P");
        cells[5] = QStringLiteral("10 кГц");
        cells[6] = QStringLiteral("1.0 Вскз");
        cells[7] = row % 13 ? QStringLiteral("-") : QStringLiteral("+");
        cells[8] = QStringLiteral("%1.00").arg(row % 3);
        cells[9] = QString();
        reading.time = QDateTime::currentDateTime();
        reading.reading.seriesResistance = 0.2 + row * 1e-6;
        reading.reading.seriesReactance = 159.15 + row * 1e-5;
        reading.quantities.capacitance = 1e-7 + row * 1e-14;
        reading.primaryToleranceOn = true;
        reading.judged = true;
        reading.judgeResult = row % 13 ? 0 : 1;
        reading.primaryDeviation = row % 3;
    }
};

struct Table
{
    explicit Table(const QString &folder)
        : journal(&model, folder, {[] { return JournalHeader{kFormatVersion, programVersion(), QDateTime::currentDateTime(), QStringLiteral("English"), profiles::PartMode::SinglePart}; },
                                    [] { return profiles::PartMode::SinglePart; }, [this] { return next; }})
    {
        for (int c = 0; c < 10; ++c)
            model.setHeaderText(c, QStringLiteral("Header %1").arg(c));
        model.setRowCount(15);
    }

    void write(const RowSource &source, bool journalled)
    {
        const int row = next;
        if (model.rowCount() < row)
            model.setRowCount(row);
        model.writeRow(row - 1, source.cells, source.reading);
        next = row < LogTableModel::kMaxRows ? row + 1 : 1;
        if (journalled)
            journal.rowWritten(row, true);
    }

    LogTableModel model;
    int next = 1;
    LogJournal journal;
};

void BM_JournalRow(benchmark::State &state)
{
    const bool journalled = state.range(0) != 0;
    QTemporaryDir dir;
    Table table(dir.filePath(QStringLiteral("journal")));
    const RowSource source(7);
    for (auto _ : state)
        table.write(source, journalled);
    state.counters["bytes"] = QFileInfo(table.journal.path()).size();
}
BENCHMARK(BM_JournalRow)->Arg(0)->Arg(1)->Iterations(20000);

void BM_JournalSync(benchmark::State &state)
{
    QTemporaryDir dir;
    Table table(dir.filePath(QStringLiteral("journal")));
    const RowSource source(7);
    double cpu = 0;
    for (auto _ : state) {
        table.write(source, true);
        const double before = threadCpuSeconds();
        table.journal.sync();
        cpu += threadCpuSeconds() - before;
    }
    state.counters["cpu_us"] = benchmark::Counter(cpu * 1e6, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_JournalSync)->Iterations(200)->Unit(benchmark::kMicrosecond);

void BM_TableAt74RowsPerSecond(benchmark::State &state)
{
    const int seconds = qEnvironmentVariableIntValue("BENCH_SECONDS") > 0 ? qEnvironmentVariableIntValue("BENCH_SECONDS") : 5;
    QTemporaryDir dir;
    Table table(dir.filePath(QStringLiteral("journal")));
    const bool journalled = state.range(0) != 0;
    for (auto _ : state) {
        int rows = 0;
        int n = 0;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        // 13.5 ms: alternately 13 and 14.
        QObject::connect(&timer, &QTimer::timeout, [&] {
            table.write(RowSource(++n), journalled);
            ++rows;
            timer.setInterval(n % 2 ? 14 : 13);
        });
        timer.start(13);
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        QElapsedTimer wall;
        wall.start();
        const double before = cpuSeconds();
        loop.exec();
        const double cpu = cpuSeconds() - before;
        const double elapsed = double(wall.nsecsElapsed()) / 1e9;
        state.SetIterationTime(elapsed);
        state.counters["cpu_percent"] = 100.0 * cpu / elapsed;
        state.counters["rows_per_s"] = rows / elapsed;
    }
}
BENCHMARK(BM_TableAt74RowsPerSecond)->Arg(0)->Arg(1)->Arg(0)->Arg(1)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_RestoreHundredThousandRows(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString made = dir.filePath(QStringLiteral("made"));
    QString journal;
    {
        Table table(made);
        for (int row = 1; row <= LogTableModel::kMaxRows; ++row)
            table.write(RowSource(row), true);
        table.journal.sync();
        journal = table.journal.path();
        // Left as after a crash.
    }
    const QString state_ = dir.filePath(QStringLiteral("state"));
    for (auto _ : state) {
        state.PauseTiming();
        QDir(state_).removeRecursively();
        QDir().mkpath(state_ + QStringLiteral("/journal"));
        QFile::copy(journal, state_ + QStringLiteral("/journal/") + QFileInfo(journal).fileName());
        Form1Options options;
        options.stateFolder = state_;
        auto form = std::make_unique<TForm1>(options);
        form->journalController->setAsker([](QWidget *, const QString &, const QString &) { return true; });
        form->show();
        QCoreApplication::processEvents();
        state.ResumeTiming();

        form->offerLogRestore();
        form->SG->scrollToBottom();
        form->SG->viewport()->grab();

        state.PauseTiming();
        state.counters["rows"] = form->nextLogRow - 1;
        form.reset();
        state.ResumeTiming();
    }
    state.counters["journal_mb"] = QFileInfo(journal).size() / 1e6;
}
BENCHMARK(BM_RestoreHundredThousandRows)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runWindowBenchmarks(argc, argv);
}
