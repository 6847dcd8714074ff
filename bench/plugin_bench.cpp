// What plugin instances cost, measured as a host runs them. Instances: 1, 100 or 1,000 instances at
// 44.1, 48 or 96 kHz, each a new instance's sound (Keyboard at Pitch, the X1 walk on) holding a note,
// each processing its own 256-frame block in turn as a host's audio thread does; ns_per_sample is
// CPU time per output sample of one instance. HeldVoices: 1, 8 or 16 notes held in one instance.
// Activation: an instance's activate() while another holds its rate's resampler table, and (arg 0)
// the first one at a rate, which builds it.
#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <vector>

#include "plugin/host_rate_voice.h"

namespace vortane::plugin {
namespace {

constexpr uint32_t kBlockFrames = 256;

std::unique_ptr<HostRateVoice> Playing(double rate, uint64_t seed, int notes) {
    auto voice = std::make_unique<HostRateVoice>();
    voice->Activate(rate, seed);
    voice->synth().params.Set(ParamId::Keyboard, static_cast<float>(KeyboardMode::Pitch));
    voice->synth().params.Set(ParamId::Voices, 16.0f);
    voice->synth().params.Set(ParamId::X1On, 1.0f);
    for (int k = 0; k < notes; ++k) {
        const uint8_t note[3] = {0x90, static_cast<uint8_t>(36 + 3 * k), 100};
        voice->ScheduleMidi(0, note, 3);
    }
    return voice;
}

void Run(benchmark::State& state, const std::vector<std::unique_ptr<HostRateVoice>>& voices) {
    std::array<float, kBlockFrames> out{};
    for (auto _ : state) {
        for (const auto& voice : voices) {
            voice->Process(out.data(), kBlockFrames);
            benchmark::DoNotOptimize(out.data());
        }
        benchmark::ClobberMemory();
    }
    const double samples =
        static_cast<double>(state.iterations()) * static_cast<double>(voices.size()) * kBlockFrames;
    state.counters["ns_per_sample"] =
        benchmark::Counter(samples * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Instances(benchmark::State& state) {
    std::vector<std::unique_ptr<HostRateVoice>> voices;
    for (int64_t i = 0; i < state.range(0); ++i) {
        voices.push_back(Playing(static_cast<double>(state.range(1)), 1234 + static_cast<uint64_t>(i), 1));
    }
    Run(state, voices);
}
BENCHMARK(Instances)->ArgsProduct({{1, 100, 1000}, {44100, 48000, 96000}});

void HeldVoices(benchmark::State& state) {
    std::vector<std::unique_ptr<HostRateVoice>> voices;
    voices.push_back(Playing(static_cast<double>(state.range(1)), 1234, static_cast<int>(state.range(0))));
    Run(state, voices);
}
BENCHMARK(HeldVoices)->ArgsProduct({{1, 8, 16}, {44100, 48000}});

void Activation(benchmark::State& state) {
    const auto holder = state.range(0) == 1 ? Playing(48000.0, 1, 0) : nullptr;
    for (auto _ : state) {
        HostRateVoice voice;
        voice.Activate(48000.0, 1234);
        benchmark::DoNotOptimize(voice.Latency());
    }
}
BENCHMARK(Activation)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace vortane::plugin
