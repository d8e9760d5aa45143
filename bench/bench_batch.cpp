// The batch figures as rows arrive, and the CSV of a whole log: adding one row
// to the statistics must cost the same at row 100 000 as at row 1, and writing
// 100 000 rows should take well under half a second.

#include "batch/batch_statistics.h"
#include "export/reading_csv.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

std::vector<reading::Reading> capacitorRows(int count)
{
    std::mt19937 rng(14);
    std::normal_distribution<double> noise(0.0, 0.01);
    std::vector<reading::Reading> rows(count);
    const QDateTime start(QDate(2026, 12, 10), QTime(9, 0));
    for (int i = 0; i < count; ++i) {
        reading::Reading &r = rows[i];
        r.time = start.addMSecs(qint64(i) * 500);
        r.settings.primaryCode = 2;
        r.settings.secondaryCode = 3;
        r.reading.frequencyHz = 1000;
        r.reading.seriesResistance = 1.9;
        r.reading.seriesReactance = 1591.5 * (1.0 + noise(rng));
        r.quantities.capacitance = 1.0 / (2 * 3.141592653589793 * 1000 * r.reading.seriesReactance);
        r.quantities.dissipation = r.reading.seriesResistance / r.reading.seriesReactance;
        r.quantities.quality = 1.0 / r.quantities.dissipation;
        r.quantities.impedance = r.reading.seriesReactance;
        r.quantities.phaseDegrees = -89.93;
        r.judged = true;
        r.judgeResult = i % 20 == 0 ? 1 : 0;
        r.primaryDeviation = 1.5;
    }
    return rows;
}

// The cost of the row added after `state.range(0)` rows are in.
void BM_StatisticsAddRow(benchmark::State &state)
{
    static const std::vector<reading::Reading> rows = capacitorRows(100001);
    const int before = int(state.range(0));
    BatchStatistics stats;
    for (int i = 0; i < before; ++i)
        stats.add(rows[i]);
    for (auto _ : state) {
        BatchStatistics copy = stats; // outside the timing would need pausing, which costs more than a row
        copy.add(rows[before]);
        benchmark::DoNotOptimize(copy.counts().rows);
    }
}
BENCHMARK(BM_StatisticsAddRow)->Arg(1)->Arg(1000)->Arg(100000);

// 100 000 rows added one by one, per row.
void BM_StatisticsHundredThousandRows(benchmark::State &state)
{
    static const std::vector<reading::Reading> rows = capacitorRows(100000);
    for (auto _ : state) {
        BatchStatistics stats;
        for (const reading::Reading &r : rows)
            stats.add(r);
        benchmark::DoNotOptimize(stats.groups().constData());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(rows.size()));
}
BENCHMARK(BM_StatisticsHundredThousandRows)->Unit(benchmark::kMillisecond);

void BM_CsvHundredThousandRows(benchmark::State &state)
{
    static const std::vector<reading::Reading> rows = capacitorRows(100000);
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("batch.csv"));
    for (auto _ : state) {
        const bool ok = writeCsvFile(path, std::int64_t(rows.size()),
                                     [](std::int64_t i) { return csvLine(rows[std::size_t(i)], i + 1); });
        benchmark::DoNotOptimize(ok);
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(rows.size()));
}
BENCHMARK(BM_CsvHundredThousandRows)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
