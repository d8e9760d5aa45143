// Export of a full log: 100000 rows of ten texts each, as the window copies
// them, into an .xlsx. Peak memory is the process's resident high-water mark
// (getrusage), shown before and after the writing so the table's own share
// can be told apart from the writer's.

#include "export/export_messages.h"
#include "log/log_table_model.h"
#include "export/spreadsheet_export.h"
#include "export/spreadsheet_writer.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

constexpr int kRows = 100000;

double peakMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// A full log as recording fills it.
LogTableModel &fullLog()
{
    static LogTableModel model;
    if (model.rowCount() == 0) {
        const QStringList headers{"Позиция", "Время", "Основной", "Дополнительн.", "Схема", "Частота", "Уровень",
                                  "Брак", "Основ.% откл.", "Допол.% откл."};
        for (int c = 0; c < LogTableModel::kColumns; ++c)
            model.setHeaderText(c, headers[c]);
        for (int r = 1; r <= kRows; ++r)
            model.appendRow({QString::number(r), QStringLiteral("05.03.21 14:%1:%2").arg(r / 60 % 60, 2, 10, QChar(u'0')).arg(r % 60, 2, 10, QChar(u'0')),
                             QStringLiteral("R %1 кОм").arg(1.0 + r % 997 / 1000.0, 0, 'f', 4),
                             QStringLiteral("Ɵ -%1 °").arg(r % 90), QStringLiteral("S"), QStringLiteral("1 кГц"),
                             QStringLiteral("1.0 Вскз"), r % 7 ? QStringLiteral("-") : QStringLiteral("+"),
                             QStringLiteral("%1").arg(r % 500 / 100.0, 0, 'f', 2), QStringLiteral("-0.50")});
    }
    return model;
}

void BM_SnapshotOfTheLog(benchmark::State &state)
{
    const LogTableModel &model = fullLog();
    for (auto _ : state)
        benchmark::DoNotOptimize(logSheetTexts(model, kRows + 1));
    state.SetItemsProcessed(state.iterations() * (kRows + 1));
}
BENCHMARK(BM_SnapshotOfTheLog)->Unit(benchmark::kMillisecond);

void BM_WriteFullLog(benchmark::State &state)
{
    const SheetTexts texts = logSheetTexts(fullLog(), kRows + 1);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.xlsx"));
    const double before = peakMiB();
    // Share of the time spent on the rows; the rest goes into packing the zip.
    double rowsShare = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        qint64 rowsDone = 0;
        const SheetWriteResult result = writeSpreadsheet(path, texts, dir.path(), [&](qsizetype rows) {
            if (rows == kRows + 1)
                rowsDone = clock.nsecsElapsed();
        });
        if (!result.ok)
            state.SkipWithError(qPrintable(describeExportProblem(result.problem, exportMessages())));
        rowsShare += double(rowsDone) / double(clock.nsecsElapsed());
    }
    state.counters["rows_share"] = rowsShare / double(state.iterations());
    state.SetItemsProcessed(state.iterations() * (kRows + 1));
    state.counters["peak_MiB_before"] = before;
    state.counters["peak_MiB_after"] = peakMiB();
    state.counters["file_MiB"] = QFileInfo(path).size() / 1048576.0;
}
BENCHMARK(BM_WriteFullLog)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
