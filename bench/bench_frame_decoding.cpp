// How fast one meter frame turns into every text of its display panel. The
// serial link delivers at most about 320 frames per second; the decoder should
// stay far below one core's worth of that.

#include "protocol/frame_encoder.h"
#include "protocol/rd_u_decoder.h"
#include "protocol/rlc_decoder.h"

#include "i18n/window_lexicons.h"

#include <benchmark/benchmark.h>

#include <cmath>

#include <random>
#include <vector>

using namespace protocol;

namespace {

// A mix of settings and magnitudes, so every formatting row gets its turn.
std::vector<MeterFrame> rlcFrames()
{
    std::vector<MeterFrame> frames;
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> decade(-12.0, 9.0);
    for (int i = 0; i < 256; ++i) {
        MeterSettings s;
        s.freqCode = std::uint8_t(i % 15);
        s.primaryCode = std::uint8_t(1 + i % 4);
        s.secondaryCode = std::uint8_t(i % 5);
        s.seriesCircuit = std::uint8_t(i / 5 % 2);
        s.levelCode = std::uint8_t(i % 5);
        const double r = std::pow(10.0, decade(rng));
        const double x = (i % 3 == 0 ? -1.0 : 1.0) * std::pow(10.0, decade(rng));
        frames.push_back(encodeRlcFrame(s, r, x, i % 2 == 0));
    }
    return frames;
}

void BM_DecodeRlcFrame(benchmark::State &state)
{
    const i18n::WindowLexicons lexicons;
    const FormatContext ctx{lexicons.unitTexts(), NumberSeparators::fromLocale(QLocale::c())};
    const std::vector<MeterFrame> frames = rlcFrames();
    std::size_t i = 0;
    for (auto _ : state) {
        const MeterFrame &f = frames[i++ % frames.size()];
        const FrameRoute route = routeFrame(f);
        benchmark::DoNotOptimize(route);
        RlcDecodeResult out = decodeRlcFrame(f, ctx);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeRlcFrame);

void BM_DecodeRdAndUFrames(benchmark::State &state)
{
    const i18n::WindowLexicons lexicons;
    const FormatContext ctx{lexicons.unitTexts(), NumberSeparators::fromLocale(QLocale::c())};
    const MeterFrame rd = encodeRdFrame(4700.0, 250.0, 4.5, RdStatus{2, true, 0}, true);
    const MeterFrame u = encodeUFrame(1.234, 3.49, -1.5, true);
    for (auto _ : state) {
        RdDecodeResult a = decodeRdFrame(rd, ctx);
        benchmark::DoNotOptimize(a);
        UDecodeResult b = decodeUFrame(u, ctx);
        benchmark::DoNotOptimize(b);
    }
    state.SetItemsProcessed(2 * state.iterations());
}
BENCHMARK(BM_DecodeRdAndUFrames);

} // namespace

BENCHMARK_MAIN();
