// The bin rule per reading: what sorting adds to every frame the window or
// vorlant-log reads (goal: well under a microsecond). Readings are a noisy
// 100 nF batch, so the bins are hit in the proportions a real batch gives,
// not one branch over and over.

#include "sorting/bin_plan_file.h"
#include "sorting/bin_rule.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

std::vector<profiles::BinReading> batch(int count)
{
    std::mt19937 rng(24);
    std::uniform_real_distribution<double> noise(-0.06, 0.06);
    std::vector<profiles::BinReading> readings(count);
    for (profiles::BinReading &r : readings) {
        r.quantity = profiles::Quantity::Capacitance;
        r.primary = 100e-9 * (1.0 + noise(rng));
        r.dissipation = 0.0003 * (1.0 + 40 * noise(rng));
        r.quality = 1.0 / r.dissipation;
        r.esr = 0.2;
    }
    return readings;
}

profiles::PreparedBinPlan plan(const char *json)
{
    return *profiles::prepareBinPlan(*profiles::parseBinPlan(QByteArray(json), nullptr));
}

void run(benchmark::State &state, const profiles::PreparedBinPlan &prepared,
         std::optional<profiles::LineNominal> line = std::nullopt)
{
    const std::vector<profiles::BinReading> readings = batch(4096);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(profiles::sortReading(prepared, readings[i], line));
        i = (i + 1) & 4095;
    }
}

void BM_NestedThreeBinsWithD(benchmark::State &state)
{
    run(state, plan(R"({"format": "vorlant-bins/1", "parameter": "C", "unit": "nF", "nominal": 100,
        "mode": "nested", "bins": [{"tolerance": 1}, {"tolerance": 2}, {"tolerance": 5}],
        "secondary": {"parameter": "D", "max": 0.0005}})"));
}
BENCHMARK(BM_NestedThreeBinsWithD);

// The worst case: nine bins, most readings past all of them.
void BM_SequentialNineBins(benchmark::State &state)
{
    run(state, plan(R"({"format": "vorlant-bins/1", "parameter": "C", "unit": "nF", "mode": "sequential",
        "bins": [{"lower": 10, "upper": 11}, {"lower": 12, "upper": 13}, {"lower": 14, "upper": 15},
                 {"lower": 16, "upper": 17}, {"lower": 18, "upper": 19}, {"lower": 20, "upper": 21},
                 {"lower": 22, "upper": 23}, {"lower": 24, "upper": 25}, {"lower": 99, "upper": 101}]})"));
}
BENCHMARK(BM_SequentialNineBins);

void BM_NominalFromTheLine(benchmark::State &state)
{
    run(state, plan(R"({"format": "vorlant-bins/1", "parameter": "C", "unit": "nF", "nominal": "line",
        "mode": "nested", "bins": [{"tolerance": 1}, {"tolerance": 2}, {"tolerance": 5}]})"),
        profiles::LineNominal{profiles::Quantity::Capacitance, 100e-9});
}
BENCHMARK(BM_NominalFromTheLine);

// What the window and vorlant-log add around the rule: the reading's values from the decoded frame.
void BM_ReadingValues(benchmark::State &state)
{
    protocol::MeterSettings settings;
    settings.primaryCode = 2;
    settings.secondaryCode = 3;
    protocol::RlcReading reading;
    reading.seriesResistance = 0.2;
    reading.seriesReactance = 1591.5;
    protocol::RlcQuantities quantities;
    quantities.capacitance = 100e-9;
    for (auto _ : state)
        benchmark::DoNotOptimize(profiles::binReadingOf(settings, reading, quantities));
}
BENCHMARK(BM_ReadingValues);

} // namespace

BENCHMARK_MAIN();
