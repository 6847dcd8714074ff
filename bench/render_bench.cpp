#include <benchmark/benchmark.h>

#include <array>
#include <memory>

#include "engine/control_events.h"
#include "engine/engine.h"
#include "engine/master_filter.h"
#include "engine/output_stage.h"

namespace vortane {
namespace {

constexpr unsigned long kBufferFrames = 256;

void Move(Engine& engine, int id, int state) {
    engine.panel.SetState(id, state);
    ApplyControlEvent(engine, id);
}

std::unique_ptr<Engine> PlayingEngine(bool walks_on) {
    auto engine = std::make_unique<Engine>();
    engine->random.Seed(1234);
    PrepareAsAtStartup(*engine);
    for (int k = 0; k < kCoordinateCount; ++k) {
        Move(*engine, id::kX1On + k, walks_on ? 1 : 0);
    }
    TogglePlay(*engine);
    return engine;
}

// ns per sample of the whole stream callback, one 256-frame buffer per iteration.
void RenderBuffers(benchmark::State& state, Engine& engine) {
    std::array<float, kBufferFrames> buffer{};
    for (auto _ : state) {
        Render(engine, buffer.data(), buffer.size());
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kBufferFrames));
}

void BM_RenderDefaultsWalksOff(benchmark::State& state) {
    auto engine = PlayingEngine(false);
    RenderBuffers(state, *engine);
}

void BM_RenderDefaultsWalksOn(benchmark::State& state) {
    auto engine = PlayingEngine(true);
    RenderBuffers(state, *engine);
}

// F = 1000 and D = 60 put the lower barrier at one sample: a period, and so every walk, can start
// at each sample.
void BM_RenderShortestPeriodsWalksOn(benchmark::State& state) {
    auto engine = PlayingEngine(true);
    Move(*engine, id::kFrequencySetting, 1000);
    Move(*engine, id::kSecondaryBarrier, 600);
    RenderBuffers(state, *engine);
}

// The floor under the render: the Master Filter's serial recursion alone, over a fixed input.
void BM_FilterRecursionOnly(benchmark::State& state) {
    std::array<float, kBufferFrames> input{};
    for (size_t i = 0; i < input.size(); ++i) {
        input[i] = static_cast<float>(i % 100) * 0.01f - 0.5f;
    }
    std::array<float, kBufferFrames> buffer{};
    MasterFilter filter;
    for (auto _ : state) {
        MasterFilter::Runner run = filter.Begin(1000.0, 50);
        for (size_t i = 0; i < buffer.size(); ++i) {
            buffer[i] = static_cast<float>(run.Step(input[i]));
        }
        filter.End(run);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kBufferFrames));
}

BENCHMARK(BM_FilterRecursionOnly);
BENCHMARK(BM_RenderDefaultsWalksOff);
BENCHMARK(BM_RenderDefaultsWalksOn);
BENCHMARK(BM_RenderShortestPeriodsWalksOn);

} // namespace
} // namespace vortane
