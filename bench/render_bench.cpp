#include <benchmark/benchmark.h>

#include <array>
#include <memory>

#include "engine/control_events.h"
#include "engine/engine.h"
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

BENCHMARK(BM_RenderDefaultsWalksOff);
BENCHMARK(BM_RenderDefaultsWalksOn);
BENCHMARK(BM_RenderShortestPeriodsWalksOn);

} // namespace
} // namespace vortane
