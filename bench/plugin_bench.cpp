// Cost of one plugin instance per output sample: the voice at its own 44.1 kHz (what the standalone
// program's stream callback does) against the same voice resampled to 48 and 96 kHz.
#include <benchmark/benchmark.h>

#include <array>

#include "plugin/host_rate_voice.h"

namespace vortane::plugin {
namespace {

constexpr uint32_t kBlockFrames = 256;

void HostRate(benchmark::State& state) {
    const double rate = static_cast<double>(state.range(0));
    HostRateVoice voice;
    voice.Activate(rate, 1234);
    voice.synth().params.Set(ParamId::X1On, 1.0f); // the X1 walk on, as in a typical patch
    const uint8_t note[3] = {0x90, 60, 100};
    voice.ScheduleMidi(0, note, 3);
    std::array<float, kBlockFrames> out{};
    for (auto _ : state) {
        voice.Process(out.data(), kBlockFrames);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.counters["ns_per_sample"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kBlockFrames * 1e-9,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(HostRate)->Arg(44100)->Arg(48000)->Arg(96000);

} // namespace
} // namespace vortane::plugin
