// The trend chart window itself at 100 000 rows, offscreen: building it from
// the rows, adding one more row, and a repaint after a pan (the whole widget
// painted into an image).

#include "i18n/window_lexicons.h"
#include "batch/batch_lexicon.h"
#include "batch/batch_tracker.h"
#include "batch/trend_chart_window.h"
#include "window_bench_main.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <qcustomplot.h>

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

struct Batch
{
    std::vector<reading::Reading> rows;
    BatchTracker tracker{[this](int row) { return row < int(rows.size()) ? &rows[std::size_t(row)] : nullptr; },
                         [this] { return int(rows.size()); }};

    explicit Batch(int count)
    {
        std::mt19937 rng(14);
        std::normal_distribution<double> noise(0.0, 0.02);
        const QDateTime start(QDate(2026, 12, 10), QTime(9, 0));
        rows.resize(std::size_t(count));
        for (int i = 0; i < count; ++i) {
            reading::Reading &r = rows[std::size_t(i)];
            r.time = start.addMSecs(qint64(i) * 500);
            r.settings.primaryCode = 2;
            r.quantities.capacitance = 100e-9 * (1.0 + noise(rng));
            r.judged = true;
            r.judgeResult = std::abs(1.0 - 100e-9 / r.quantities.capacitance) > 0.05 ? 1 : 0;
        }
    }
};

const BatchLimit kLimit{protocol::RlcParameter::Capacitance, 100e-9, BatchLimit::Kind::Percent, 5.0};

void BM_TrendChartRebuild(benchmark::State &state)
{
    static Batch batch(100000);
    const i18n::WindowLexicons lexicons;
    const i18n::TDesignedLexicon texts = makeBatchLexicon();
    TrendChartWindow chart(batch.tracker, texts, lexicons);
    chart.setTolerance(kLimit);
    for (auto _ : state)
        chart.rebuild();
    state.counters["points"] = chart.pointCount();
}
BENCHMARK(BM_TrendChartRebuild)->Unit(benchmark::kMillisecond);

void BM_TrendChartRepaint(benchmark::State &state)
{
    static Batch batch(100000);
    const i18n::WindowLexicons lexicons;
    const i18n::TDesignedLexicon texts = makeBatchLexicon();
    TrendChartWindow chart(batch.tracker, texts, lexicons);
    chart.resize(900, 520);
    chart.setTolerance(kLimit);
    chart.rebuild();
    chart.show();
    QApplication::processEvents();
    chart.setAutoScale(false);
    QImage image(chart.plot()->size(), QImage::Format_ARGB32_Premultiplied);
    double shift = 0;
    for (auto _ : state) {
        shift = shift > 50 ? 0 : shift + 1;
        chart.plot()->xAxis->setRange(shift, 100000 + shift);
        chart.plot()->replot(QCustomPlot::rpImmediateRefresh);
        QPainter painter(&image);
        chart.plot()->render(&painter);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["points"] = chart.pointCount();
    state.counters["rejected"] = chart.rejectedCount();
}
BENCHMARK(BM_TrendChartRepaint)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char **argv)
{
    return runWindowBenchmarks(argc, argv);
}
