#include <benchmark/benchmark.h>

#include <array>
#include <memory>

#include "control/control_ids.h"
#include "control/synth.h"
#include "engine/master_filter.h"

namespace vortane {
namespace {

constexpr unsigned long kBufferFrames = 256;

void Move(Synth& synth, int id, int state) {
    synth.controls.panel().SetState(id, state);
    synth.controls.ApplyControlEvent(id);
}

std::unique_ptr<Synth> PlayingSynth(bool walks_on) {
    auto synth = std::make_unique<Synth>();
    synth->Init(1234);
    synth->controls.PrepareAsAtStartup();
    for (int k = 0; k < kCoordinateCount; ++k) {
        Move(*synth, id::kX1On + k, walks_on ? 1 : 0);
    }
    synth->controls.TogglePlay();
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
    Move(*synth, id::kFrequencySetting, 1000);
    Move(*synth, id::kSecondaryBarrier, 600);
    RenderBuffers(state, *synth);
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
    filter.set_path(path);
    filter.Set(1000.0, 50);
    for (auto _ : state) {
        filter.Process(input.data(), buffer.data(), buffer.size());
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
