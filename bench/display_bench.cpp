#include <benchmark/benchmark.h>

#include <array>

#include "engine/waveform_rows.h"

namespace vortane {
namespace {

// One redraw of the waveform display: 400 columns of the shaper at the start-up curve, then at a
// folded one (X1 above 1) whose Newton steps run wild.
void BM_DisplayRedraw(benchmark::State& state) {
    const std::array<std::array<float, 4>, 2> curves{
        {{0.5f, 0.06f, 0.75f, 0.95f}, {1.15f, 0.79f, 0.01f, 1.49f}}};
    const auto& c = curves[static_cast<size_t>(state.range(0))];
    for (auto _ : state) {
        auto rows = ComputeDisplayRows(c[0], c[1], c[2], c[3]);
        benchmark::DoNotOptimize(rows.data());
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_DisplayRedraw)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace vortane
