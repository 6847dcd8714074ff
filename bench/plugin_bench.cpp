// Cost of one plugin instance per output sample: the voice at its own 44.1 kHz (what the standalone
// program's stream callback does) against the same voice resampled to 48 and 96 kHz; and the
// keyboard's voices, 1 to 16 notes held at once at 48 kHz.
#include <benchmark/benchmark.h>

#include <array>

#include "plugin/host_rate_voice.h"

namespace vortane::plugin {
namespace {

constexpr uint32_t kBlockFrames = 256;

void Run(benchmark::State& state, HostRateVoice& voice) {
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

// The gate's one voice, the X1 walk on as in a typical patch.
void HostRate(benchmark::State& state) {
    HostRateVoice voice;
    voice.Activate(static_cast<double>(state.range(0)), 1234);
    voice.synth().params.Set(ParamId::X1On, 1.0f);
    const uint8_t note[3] = {0x90, 60, 100};
    voice.ScheduleMidi(0, note, 3);
    Run(state, voice);
}
BENCHMARK(HostRate)->Arg(44100)->Arg(48000)->Arg(96000);

// Notes held in Pitch mode at 48 kHz, a chord of up to sixteen (the X1 walk on).
void HeldVoices(benchmark::State& state) {
    HostRateVoice voice;
    voice.Activate(48000.0, 1234);
    voice.synth().params.Set(ParamId::Keyboard, static_cast<float>(KeyboardMode::Pitch));
    voice.synth().params.Set(ParamId::Voices, 16.0f);
    voice.synth().params.Set(ParamId::X1On, 1.0f);
    for (int k = 0; k < state.range(0); ++k) {
        const uint8_t note[3] = {0x90, static_cast<uint8_t>(36 + 3 * k), 100};
        voice.ScheduleMidi(0, note, 3);
    }
    Run(state, voice);
}
BENCHMARK(HeldVoices)->Arg(1)->Arg(8)->Arg(16);

} // namespace
} // namespace vortane::plugin
