#include <benchmark/benchmark.h>

#include <array>
#include <memory>

#include "control/synth.h"

namespace vortane {
namespace {

constexpr unsigned long kBufferFrames = 256;

std::unique_ptr<Synth> PlayingSynth(bool walks_on) {
    auto synth = std::make_unique<Synth>();
    synth->Init(1234);
    for (int k = 0; k < kCoordinateCount; ++k) {
        synth->params.Set(Offset(ParamId::X1On, k), walks_on ? 1.0f : 0.0f);
    }
    synth->transport.TogglePlay();
    return synth;
}

// ns per sample of the whole stream callback (snapshot and block), one 256-frame buffer per
// iteration.
void RenderBuffers(benchmark::State& state, Synth& synth) {
    std::array<float, kBufferFrames> buffer{};
    for (auto _ : state) {
        synth.Render(buffer.data(), buffer.size());
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kBufferFrames));
}

void BM_RenderDefaultsWalksOff(benchmark::State& state) {
    auto synth = PlayingSynth(false);
    RenderBuffers(state, *synth);
}

void BM_RenderDefaultsWalksOn(benchmark::State& state) {
    auto synth = PlayingSynth(true);
    RenderBuffers(state, *synth);
}

// F = 1000 and D = 60 put the lower barrier at one sample: a period, and so every walk, can start
// at each sample.
void BM_RenderShortestPeriodsWalksOn(benchmark::State& state) {
    auto synth = PlayingSynth(true);
    synth->params.Set(ParamId::FrequencySetting, 1000.0f);
    synth->params.Set(ParamId::SecondaryBarrier, 600.0f);
    RenderBuffers(state, *synth);
}

BENCHMARK(BM_RenderDefaultsWalksOff);
BENCHMARK(BM_RenderDefaultsWalksOn);
BENCHMARK(BM_RenderShortestPeriodsWalksOn);

} // namespace
} // namespace vortane
