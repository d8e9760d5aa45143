// The measurement log over a long recording: what one row costs at the start
// and near the end of a 100 000-row log, and what the process holds at
// 100 000 rows. Rows go through the window's own appendLogRow, with the
// window shown (offscreen unless a platform is chosen) and the event loop
// run after each row, as a frame arriving from the meter does.

#include "app/form1.h"
#include "log/log_controller.h"
#include "log/log_table_model.h"
#include "protocol/frame_encoder.h"
#include "window_bench_main.h"

#include <QApplication>
#include <QFile>
#include <QToolButton>

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int kRowsPerBatch = 1000;
constexpr int kFullLog = LogTableModel::kMaxRows;

// Resident and peak resident memory of this process, in MiB.
struct Memory
{
    double rss = 0;
    double peak = 0;
};

Memory memoryNow()
{
    QFile status(QStringLiteral("/proc/self/status"));
    Memory m;
    if (!status.open(QIODevice::ReadOnly))
        return m;
    for (const QByteArray &line : status.readAll().split('\n')) {
        const auto kib = [&line] { return line.simplified().split(' ').value(1).toDouble() / 1024.0; };
        if (line.startsWith("VmRSS:"))
            m.rss = kib();
        else if (line.startsWith("VmHWM:"))
            m.peak = kib();
    }
    return m;
}

// A window recording, its display showing a reading. No dongle, no settings.
std::unique_ptr<TForm1> recordingWindow()
{
    Form1Options options;
    options.finderLibrary = QStringLiteral("no-finder-in-a-benchmark.so");
    auto form = std::make_unique<TForm1>(options);
    form->show();
    form->SP1->setEnabled(true);
    form->SP1->setChecked(true);
    form->SP1Click();
    QCoreApplication::processEvents();
    return form;
}

// Frames as the meter sends them while recording: each is decoded, shown and
// written as a row. The values change every frame, so the row texts differ
// as they do on a bench.
void appendRows(TForm1 &form, std::mt19937 &random, int rows)
{
    std::uniform_real_distribution<double> spread(0.99, 1.01);
    const protocol::MeterSettings settings;
    for (int i = 0; i < rows; ++i) {
        form.dispatchFrame(protocol::encodeRlcFrame(settings, 0.2 * spread(random), -1591.5 * spread(random), true));
        QCoreApplication::processEvents();
    }
}

// Arg: rows already in the log before the timed 1000.
void BM_Append1000Rows(benchmark::State &state)
{
    const int before = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto form = recordingWindow();
        std::mt19937 random(7);
        appendRows(*form, random, before);
        state.ResumeTiming();

        appendRows(*form, random, kRowsPerBatch);

        state.PauseTiming();
        const bool allWritten = form->nextLogRow == before + kRowsPerBatch + 1;
        form.reset();
        state.ResumeTiming();
        if (!allWritten) {
            state.SkipWithError("rows went astray");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kRowsPerBatch);
}
BENCHMARK(BM_Append1000Rows)->Arg(0)->Arg(kFullLog - kRowsPerBatch)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_MemoryAtAFullLog(benchmark::State &state)
{
    for (auto _ : state) {
        auto form = recordingWindow();
        const Memory empty = memoryNow();
        std::mt19937 random(7);
        appendRows(*form, random, kFullLog);
        const Memory full = memoryNow();
        state.counters["rows"] = form->logController->tableRows() - 1;
        state.counters["window_MiB"] = empty.rss;
        state.counters["rss_MiB"] = full.rss;
        state.counters["peak_MiB"] = full.peak;
        state.counters["per_row_B"] = (full.rss - empty.rss) * 1024 * 1024 / kFullLog;
    }
}
BENCHMARK(BM_MemoryAtAFullLog)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char **argv)
{
    return runWindowBenchmarks(argc, argv);
}
