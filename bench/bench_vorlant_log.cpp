// The headless logger's work per reading: the frame read by the window's
// rules (route, decoder, tolerance judgement: the reading pipeline)
// and its line written and handed to the system. At the link's fastest,
// about 74 readings a second, the CPU share of one core is 74 times the time
// per reading. The memory figure is the resident size after 100 000 readings
// through the same path: nothing may pile up per reading.
//
// The whole program (serial port thread, timers, event loop) against the
// simulator at full speed is measured by vorlant_log_load.sh beside this file.

#include "reading_output.h"
#include "reading/reading_pipeline.h"

#include "profiles/reference.h"
#include "protocol/frame_encoder.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

std::vector<protocol::MeterFrame> capacitorFrames(int count)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> noise(-0.005, 0.005);
    protocol::MeterSettings settings;
    settings.freqAuto = 0;
    settings.freqCode = 3;
    settings.primaryAuto = 0;
    settings.primaryCode = 2;
    settings.secondaryAuto = 0;
    settings.secondaryCode = 3;
    std::vector<protocol::MeterFrame> frames;
    frames.reserve(count);
    for (int i = 0; i < count; ++i)
        frames.push_back(protocol::encodeRlcFrame(settings, 0.2, -1591.5 * (1.0 + noise(rng)), true));
    return frames;
}

// 100 nF ± 5 %, as `--nominal 100n --tol 5%` gives it.
profiles::Reference capacitorTolerance()
{
    profiles::Reference reference;
    reference.primary.on = true;
    reference.primary.quantity = profiles::Quantity::Capacitance;
    reference.primary.nominal = 100e-9;
    reference.primary.rule = profiles::ToleranceRule::withinPercent(5.0);
    return reference;
}

long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

void BM_ReadingToLine(benchmark::State &state)
{
    const auto frames = capacitorFrames(4096);
    QTemporaryDir dir;
    vorlantlog::ReadingOutput output;
    QString error;
    const auto format = state.range(0) == 0 ? vorlantlog::OutputFormat::Csv : vorlantlog::OutputFormat::Jsonl;
    if (!output.open(dir.filePath(QStringLiteral("out")), false, format, &error)) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    reading::ReadingPipeline recorder(capacitorTolerance());
    std::size_t i = 0;
    std::int64_t position = 0;
    for (auto _ : state) {
        auto reading = recorder.read(frames[i++ % frames.size()], QDateTime::currentDateTime());
        benchmark::DoNotOptimize(output.write(*reading, ++position));
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(format == vorlantlog::OutputFormat::Csv ? "csv" : "jsonl");
}
BENCHMARK(BM_ReadingToLine)->Arg(0)->Arg(1);

// Resident size before and after 100 000 readings, and after 100 000 more.
void BM_MemoryOver100kReadings(benchmark::State &state)
{
    const auto frames = capacitorFrames(4096);
    for (auto _ : state) {
        QTemporaryDir dir;
        vorlantlog::ReadingOutput output;
        QString error;
        if (!output.open(dir.filePath(QStringLiteral("out.csv")), false, vorlantlog::OutputFormat::Csv, &error)) {
            state.SkipWithError(qPrintable(error));
            return;
        }
        reading::ReadingPipeline recorder(capacitorTolerance());
        std::int64_t position = 0;
        const auto run = [&] {
            for (int i = 0; i < 100000; ++i) {
                auto reading = recorder.read(frames[i % frames.size()], QDateTime::currentDateTime());
                output.write(*reading, ++position);
            }
        };
        // The first readings settle the allocator and the time-zone cache.
        run();
        const long after100k = residentKilobytes();
        run();
        const long after200k = residentKilobytes();
        state.counters["rss_kb_after_100k"] = double(after100k);
        state.counters["rss_kb_after_200k"] = double(after200k);
        state.counters["growth_kb"] = double(after200k - after100k);
    }
}
BENCHMARK(BM_MemoryOver100kReadings)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
