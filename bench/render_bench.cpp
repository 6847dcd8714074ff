#include <benchmark/benchmark.h>

#include <array>
#include <memory>

#include "control/synth.h"
#include "engine/master_filter.h"

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

template <MasterFilter::Path kPath>
[[gnu::always_inline]] inline void Filter(const MasterFilter::Coefficients& c, MasterFilter::State& s,
                                          const float* in, double* out, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        out[i] = MasterFilter::StepOn<kPath>(c, s, in[i]);
    }
}

VORTANE_TARGET_FMA void FilterFused(const MasterFilter::Coefficients& c, MasterFilter::State& s,
                                    const float* in, double* out, size_t size) {
    Filter<MasterFilter::Path::kFused>(c, s, in, out, size);
}

// The floor under the render: the Master Filter's serial recursion alone, over a fixed input, on
// each path (0 written order, 1 plain, 2 fused multiply-add; 2 is skipped without FMA).
void BM_FilterRecursionOnly(benchmark::State& state) {
    const auto path = static_cast<MasterFilter::Path>(state.range(0));
    if (path == MasterFilter::Path::kFused && MasterFilter::FastestPath() != path) {
        state.SkipWithError("no fused multiply-add on this processor");
        return;
    }
    std::array<float, kBufferFrames> input{};
    for (size_t i = 0; i < input.size(); ++i) {
        input[i] = static_cast<float>(i % 100) * 0.01f - 0.5f;
    }
    std::array<double, kBufferFrames> buffer{};
    MasterFilter filter;
    filter.Set(1000.0, 50);
    const MasterFilter::Coefficients c = filter.coefficients();
    MasterFilter::State s;
    for (auto _ : state) {
        if (path == MasterFilter::Path::kWrittenOrder) {
            Filter<MasterFilter::Path::kWrittenOrder>(c, s, input.data(), buffer.data(), buffer.size());
        } else if (path == MasterFilter::Path::kPlain) {
            Filter<MasterFilter::Path::kPlain>(c, s, input.data(), buffer.data(), buffer.size());
        } else {
            FilterFused(c, s, input.data(), buffer.data(), buffer.size());
        }
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kBufferFrames));
}

BENCHMARK(BM_FilterRecursionOnly)->Arg(0)->Arg(1)->Arg(2);
BENCHMARK(BM_RenderDefaultsWalksOff);
BENCHMARK(BM_RenderDefaultsWalksOn);
BENCHMARK(BM_RenderShortestPeriodsWalksOn);

} // namespace
} // namespace vortane
