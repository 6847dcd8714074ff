#include "engine/voice_lanes.h"

#include <algorithm>
#include <cstring>

#include "engine/double_lanes.h"

namespace vortane {
namespace {

// Voice::FadeInWeight by frame, so that a kernel calls no function; built at load time.
std::array<float, Voice::kFadeInFrames + 1> MakeFadeInWeights() {
    std::array<float, Voice::kFadeInFrames + 1> weights{};
    for (int frame = 0; frame < Voice::kFadeInFrames; ++frame) {
        weights[static_cast<size_t>(frame)] = Voice::FadeInWeight(frame);
    }
    weights[Voice::kFadeInFrames] = 1.0f; // past the fade: the value as it is
    return weights;
}

const std::array<float, Voice::kFadeInFrames + 1> kFadeInWeights = MakeFadeInWeights();

} // namespace

// The kernel over G registers of W doubles, lane j = g·W + l. Each voice's state is gathered into
// its lane at the chunk's start and written back at its end; lanes without a voice run on zeros,
// an idle envelope and no level, and are left out of the sum.
template <bool kFused, int W, int G> struct LaneKernel {
    using D = typename DoubleLanes<W>::Double;
    using F = typename DoubleLanes<W>::Float;
    using I = typename DoubleLanes<W>::Int;
    static constexpr int kLanes = W * G;
    static constexpr int kFrames = Voice::kChunkFrames;

    // the voices' state, a lane each
    FilterCoefficients<D> c[G];
    FilterState<D> s[G];
    D gain[G];
    F level[G], attack_step[G], sustain[G], decay_k[G], release_k[G], glide_level[G], target[G];
    I stage[G];
    int frame[kLanes];

    [[gnu::always_inline]] void Gather(const VoiceLane* lanes, int n) noexcept VORTANE_NONBLOCKING {
        for (int j = 0; j < kLanes; ++j) {
            const int g = j / W, l = j % W;
            const bool on = j < n;
            const Voice& voice = *lanes[on ? j : 0].voice;
            const Envelope& e = *lanes[on ? j : 0].envelope;
            const MasterFilter::Coefficients& cj = voice.filter_.coefficients();
            const MasterFilter::State& sj = voice.filter_.state();
            const auto lane = [on](auto value) { return on ? value : decltype(value){}; };
            c[g].p[l] = lane(cj.p), c[g].k[l] = lane(cj.k), c[g].r[l] = lane(cj.r);
            c[g].p2[l] = lane(cj.p2), c[g].p3[l] = lane(cj.p3), c[g].p4[l] = lane(cj.p4);
            c[g].q1[l] = lane(cj.q1), c[g].q2[l] = lane(cj.q2), c[g].q3[l] = lane(cj.q3);
            c[g].pr[l] = lane(cj.pr), c[g].p2r[l] = lane(cj.p2r), c[g].p3r[l] = lane(cj.p3r);
            c[g].c4[l] = lane(cj.c4);
            s[g].x_prev[l] = lane(sj.x_prev), s[g].y1[l] = lane(sj.y1), s[g].y2[l] = lane(sj.y2);
            s[g].y3[l] = lane(sj.y3), s[g].y4[l] = lane(sj.y4);
            gain[g][l] = lane(voice.gain_);
            frame[j] = voice.frame_index_;
            level[g][l] = lane(e.level_), attack_step[g][l] = lane(e.attack_step_);
            sustain[g][l] = lane(e.sustain_), decay_k[g][l] = lane(e.decay_k_);
            release_k[g][l] = lane(e.quick_ ? e.quick_k_ : e.release_k_);
            stage[g][l] = on ? static_cast<int>(e.stage_) : static_cast<int>(Envelope::Stage::Idle);
            glide_level[g][l] = lane(*lanes[on ? j : 0].level), target[g][l] = lane(lanes[on ? j : 0].target);
        }
    }

    [[gnu::always_inline]] void Scatter(const VoiceLane* lanes, int n) const noexcept VORTANE_NONBLOCKING {
        for (int j = 0; j < n; ++j) {
            const int g = j / W, l = j % W;
            Voice& voice = *lanes[j].voice;
            MasterFilter::State sj;
            sj.x_prev = s[g].x_prev[l];
            sj.y1 = sj.y1_prev = s[g].y1[l];
            sj.y2 = sj.y2_prev = s[g].y2[l];
            sj.y3 = sj.y3_prev = s[g].y3[l];
            sj.y4 = s[g].y4[l];
            voice.filter_.set_state(sj);
            voice.frame_index_ = frame[j];
            lanes[j].envelope->level_ = level[g][l];
            lanes[j].envelope->stage_ = static_cast<Envelope::Stage>(stage[g][l]);
            *lanes[j].level = glide_level[g][l];
        }
    }

    // The frames at the chunk's start in which some lane may fade in (or wrap its frame index
    // and fade in again): there each lane's weight is looked up, elsewhere it is 1 for all.
    int FadingFrames(int n, int count) const noexcept VORTANE_NONBLOCKING {
        int fading = 0;
        for (int j = 0; j < n; ++j) {
            if (frame[j] > Voice::kFrameIndexLimit - count) {
                return count;
            }
            fading = std::max(fading, std::min(count, Voice::kFadeInFrames - frame[j]));
        }
        return fading;
    }

    [[gnu::always_inline]] void Run(const VoiceLane* lanes, int n, float glide, float* out,
                                    int count) noexcept VORTANE_NONBLOCKING {
        // n ≤ kLanes already (the caller chose the kernel by it); said here, so that the compiler
        // sees no lane index past the registers
        n = std::min(n, kLanes);
        alignas(64) float in[kFrames * kLanes];
        alignas(64) float terms[kFrames * kLanes];
        std::memset(in, 0, sizeof(float) * static_cast<size_t>(count * kLanes));
        for (int j = 0; j < n; ++j) {
            for (int i = 0; i < count; ++i) {
                in[i * kLanes + j] = lanes[j].input[i];
            }
        }
        Gather(lanes, n);
        const int fading = FadingFrames(n, count);
        constexpr auto kAttack = static_cast<int>(Envelope::Stage::Attack);
        constexpr auto kDecay = static_cast<int>(Envelope::Stage::Decay);
        constexpr auto kRelease = static_cast<int>(Envelope::Stage::Release);
        constexpr auto kIdle = static_cast<int>(Envelope::Stage::Idle);
        for (int i = 0; i < count; ++i) {
#pragma GCC unroll 8
            for (int g = 0; g < G; ++g) {
                F u;
                std::memcpy(&u, &in[i * kLanes + g * W], sizeof u);
                MasterFilter::StepLanes<kFused>(c[g], s[g], __builtin_convertvector(u, D));
                D value = s[g].y4 * gain[g];
                if (i < fading) { // Voice::Filter's fade-in, a lane at a time
                    F weight;
                    for (int l = 0; l < W; ++l) {
                        int& f = frame[g * W + l];
                        f = f > Voice::kFrameIndexLimit ? 0 : f;
                        weight[l] = kFadeInWeights[static_cast<size_t>(std::min(f, Voice::kFadeInFrames))];
                        ++f;
                    }
                    value = value * __builtin_convertvector(weight, D);
                }
                // Envelope::Process, every stage computed and each lane's own taken
                const F attack_level = level[g] + attack_step[g];
                const I attack_done = attack_level >= 1.0f;
                const F decay_level = sustain[g] + (level[g] - sustain[g]) * decay_k[g];
                const F release_level = level[g] * release_k[g];
                const I release_done = release_level < Envelope::kSilent;
                const I st = stage[g];
                level[g] = st == kAttack    ? (attack_done != 0 ? F{} + 1.0f : attack_level)
                           : st == kDecay   ? decay_level
                           : st == kRelease ? (release_done != 0 ? F{} : release_level)
                                            : level[g];
                stage[g] = (st == kAttack) & attack_done     ? I{} + kDecay
                           : (st == kRelease) & release_done ? I{} + kIdle
                                                             : st;
                glide_level[g] = glide_level[g] + (target[g] - glide_level[g]) * glide;
                const F term = __builtin_convertvector(value, F) * level[g] * glide_level[g];
                std::memcpy(&terms[i * kLanes + g * W], &term, sizeof term);
            }
        }
        for (int j = 0; j < n; ++j) {
            frame[j] += std::max(0, count - fading);
        }
        Scatter(lanes, n);
        // Each frame's sum in voice order; eight frames at a time, so that eight sums' chains of
        // additions overlap instead of one running after another.
        constexpr int kSums = 8;
        int i = 0;
        for (; i + kSums <= count; i += kSums) {
            float sum[kSums];
            std::memcpy(sum, out + i, sizeof sum);
            for (int j = 0; j < n; ++j) {
#pragma GCC unroll 8
                for (int f = 0; f < kSums; ++f) {
                    sum[f] += terms[(i + f) * kLanes + j];
                }
            }
            std::memcpy(out + i, sum, sizeof sum);
        }
        for (; i < count; ++i) {
            float sum = out[i];
            for (int j = 0; j < n; ++j) {
                sum += terms[i * kLanes + j];
            }
            out[i] = sum;
        }
    }
};

namespace {

// The kernels, each compiled for the registers it uses.
template <bool kFused, int W, int G>
[[gnu::always_inline]] inline void RunLanes(const VoiceLane* lanes, int n, float glide, float* out,
                                            int count) noexcept VORTANE_NONBLOCKING {
    LaneKernel<kFused, W, G> kernel;
    kernel.Run(lanes, n, glide, out, count);
}

template <bool kFused, int G>
VORTANE_TARGET_FMA_AVX512 void Run8(const VoiceLane* lanes, int n, float glide, float* out,
                                    int count) noexcept VORTANE_NONBLOCKING {
    RunLanes<kFused, 8, G>(lanes, n, glide, out, count);
}
template <bool kFused, int G>
VORTANE_TARGET_FMA void Run4Fused(const VoiceLane* lanes, int n, float glide, float* out,
                                  int count) noexcept VORTANE_NONBLOCKING {
    RunLanes<kFused, 4, G>(lanes, n, glide, out, count);
}
template <int G>
VORTANE_TARGET_AVX void Run4(const VoiceLane* lanes, int n, float glide, float* out,
                             int count) noexcept VORTANE_NONBLOCKING {
    RunLanes<false, 4, G>(lanes, n, glide, out, count);
}
template <int G>
void Run2(const VoiceLane* lanes, int n, float glide, float* out, int count) noexcept VORTANE_NONBLOCKING {
    RunLanes<false, 2, G>(lanes, n, glide, out, count);
}
#if !VORTANE_X86 // a processor with FMA has AVX: the fused path runs four lanes or more
template <bool kFused, int G>
void Run2Fused(const VoiceLane* lanes, int n, float glide, float* out,
               int count) noexcept VORTANE_NONBLOCKING {
    RunLanes<kFused, 2, G>(lanes, n, glide, out, count);
}
#endif

} // namespace

bool VoiceLanes::Runs(MasterFilter::Path path, int width) {
    const bool fused = path == MasterFilter::Path::kFused;
    switch (width) {
    case 2:
        return !VORTANE_X86 || !fused; // FMA processors have AVX: no fused kernel of two lanes there
    case 4:
        return CpuHas(fused ? CpuFeature::kFma : CpuFeature::kAvx);
    case 8:
        return CpuHas(CpuFeature::kFmaAvx512);
    default:
        return false;
    }
}

bool VoiceLanes::Init(MasterFilter::Path path, int width) {
    if (path == MasterFilter::Path::kWrittenOrder) {
        return false;
    }
    if (width == 0) {
        width = Runs(path, 8) ? 8 : Runs(path, 4) ? 4 : 2;
    }
    if (!Runs(path, width)) {
        return false;
    }
    width_ = width;
    const bool fused = path == MasterFilter::Path::kFused;
    if (width == 8) {
        kernels_ = fused ? decltype(kernels_){Run8<true, 1>, Run8<true, 2>, nullptr, nullptr}
                         : decltype(kernels_){Run8<false, 1>, Run8<false, 2>, nullptr, nullptr};
    } else if (width == 4) {
        kernels_ =
            fused ? decltype(kernels_){Run4Fused<true, 1>, Run4Fused<true, 2>, Run4Fused<true, 4>, nullptr}
                  : decltype(kernels_){Run4<1>, Run4<2>, Run4<4>, nullptr};
#if !VORTANE_X86
    } else if (fused) {
        kernels_ = {Run2Fused<true, 1>, Run2Fused<true, 2>, Run2Fused<true, 4>, Run2Fused<true, 8>};
#endif
    } else {
        kernels_ = {Run2<1>, Run2<2>, Run2<4>, Run2<8>};
    }
    return true;
}

void VoiceLanes::Render(const VoiceLane* lanes, int n, float glide, float* out,
                        int count) noexcept VORTANE_NONBLOCKING {
    if (n <= 0 || count <= 0) {
        return;
    }
    const int registers = (n + width_ - 1) / width_;
    const int index = registers <= 1 ? 0 : registers <= 2 ? 1 : registers <= 4 ? 2 : 3;
    kernels_[static_cast<size_t>(index)](lanes, n, glide, out, count);
}

} // namespace vortane
