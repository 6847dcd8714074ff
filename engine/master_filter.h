#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "base/audio_format.h"
#include "base/cpu_features.h"
#include "base/realtime.h"
#include "engine/double_lanes.h"

namespace vortane {

// The filter's state and cached coefficients, in doubles or in lanes of doubles (one filter a
// lane); see MasterFilter.
template <typename T> struct FilterState {
    // the output of each stage and the previous input of each
    T y1{}, y2{}, y3{}, y4{};
    T x_prev{}, y1_prev{}, y2_prev{}, y3_prev{};
};
// what one sample needs of the cached coefficients: p, k and r, and for the regrouped step the
// weights of the state in each stage's output (see MasterFilter::Step)
template <typename T> struct FilterCoefficients {
    T p{}, k{}, r{};
    T p2{}, p3{}, p4{};   // p^j: the input's weight in stage j
    T q1{}, q2{}, q3{};   // p^j·(1 − k): a stage's weight j stages further on
    T pr{}, p2r{}, p3r{}; // p^j·r: the feedback's weight in stage j
    T c4{};               // −(p⁴·r + k): y4's own weight in the next y4
};

// Master Filter: four one-pole stages in series with resonant feedback from the last, then a soft
// clipper. For cutoff fc at the sample rate fs = 44100 Hz and resonance res in 0..100:
//   f = 2·fc / fs,  p = f·(1.8 − 0.8·f),  k = 2p − 1
//   t = (1 − p)·1.386249,  t2 = 12 + t²,  r = (res / 100)·(t2 + 6t) / (t2 − 6t)
//   x = s − r·y4;  yn = (in + in_prev)·p − k·yn for each stage;  y4 = y4 − y4³ / 6
// At DC each stage passes its input unchanged (2p / (1 + k) = 1), so the gain there is 1 / (1 + r).
//
// Coefficients are refreshed only when their input changes. r keeps the t and t2 that held at the
// last resonance change, so moving the cutoff alone leaves the feedback as it was.
//
// The clipper folds back above √2 (peak 0.943) and turns negative above √6, but beyond √12 it
// returns more than it was given: with strong feedback and a loud input the loop then runs away to
// infinity and the state stays NaN for good. Its input is therefore held within ±√12, where the
// clipper maps the range onto itself; below that bound nothing changes.
class MasterFilter {
public:
    using State = FilterState<double>;
    using Coefficients = FilterCoefficients<double>;

    void Init() {
        *this = MasterFilter{};
        path_ = FastestPath();
    }

    // Refreshes the coefficients for this cutoff (Hz) and resonance.
    void Set(double cutoff, int resonance) noexcept VORTANE_NONBLOCKING {
        const int cutoff_key = static_cast<int>(std::nearbyint(cutoff));
        bool changed = false;
        if (cutoff_key != cached_cutoff_) {
            f_ = cutoff * 2.0 / kSampleRate; // from the cutoff itself, not the rounded key
            coefficients_.p = f_ * (1.8 - 0.8 * f_);
            coefficients_.k = coefficients_.p + coefficients_.p - 1.0;
            t_ = (1.0 - coefficients_.p) * 1.386249;
            t2_ = 12.0 + t_ * t_;
            cached_cutoff_ = cutoff_key;
            changed = true;
        }
        if (resonance != cached_resonance_) {
            coefficients_.r = (resonance / 100.0) * (t2_ + 6.0 * t_) / (t2_ - 6.0 * t_);
            cached_resonance_ = resonance;
            changed = true;
        }
        if (changed) {
            Coefficients& c = coefficients_;
            c.p2 = c.p * c.p;
            c.p3 = c.p2 * c.p;
            c.p4 = c.p3 * c.p;
            c.q1 = c.p * (1.0 - c.k);
            c.q2 = c.p * c.q1;
            c.q3 = c.p * c.q2;
            c.pr = c.p * c.r;
            c.p2r = c.p2 * c.r;
            c.p3r = c.p3 * c.r;
            c.c4 = -(c.p4 * c.r + c.k);
        }
    }

    // Which arithmetic the per-sample step uses. kWrittenOrder follows the equations as written
    // above; kPlain and kFused regroup them so that the chain through y4 is short (see Step), kFused
    // with fused multiply-add, which only some x86-64 processors have.
    enum class Path { kWrittenOrder, kPlain, kFused };

    // The fastest path this processor runs; asked once per filter, at Init. Off x86 the fused path
    // is plain code that calls fma(), worth it only where that is one instruction.
    static Path FastestPath() noexcept {
#if VORTANE_X86
        return CpuHas(CpuFeature::kFma) ? Path::kFused : Path::kPlain;
#elif defined(__FP_FAST_FMA)
        return Path::kFused;
#else
        return Path::kPlain;
#endif
    }

    // One sample in the written order, with state and coefficients held by the caller: the
    // reference the regrouped step is measured against.
    static double StepWrittenOrder(const Coefficients& c, State& s,
                                   float input) noexcept VORTANE_NONBLOCKING {
        const double x = input - c.r * s.y4;
        const double y1 = (x + s.x_prev) * c.p - c.k * s.y1;
        const double y2 = (y1 + s.y1_prev) * c.p - c.k * s.y2;
        const double y3 = (y2 + s.y2_prev) * c.p - c.k * s.y3;
        const double clipped = std::clamp((y3 + s.y3_prev) * c.p - c.k * s.y4, -kClipperLimit, kClipperLimit);
        s.y1 = y1;
        s.y2 = y2;
        s.y3 = y3;
        s.y4 = clipped - clipped * clipped * clipped / 6.0;
        s.x_prev = x;
        s.y1_prev = y1;
        s.y2_prev = y2;
        s.y3_prev = y3;
        return s.y4;
    }

    // One sample, regrouped for latency. With the state X = x_prev, Y1..Y4 of the last sample
    // (each stage's previous input is the stage before's last output) and u the input, the
    // equations above unroll into sums over the state, with Y4 entering each one last:
    //   x   = u − r·Y4
    //   y1  = p·(u + X) − k·Y1                                − p·r·Y4
    //   y2  = p²·(u + X) + p(1−k)·Y1 − k·Y2                    − p²·r·Y4
    //   y3  = p³·(u + X) + p²(1−k)·Y1 + p(1−k)·Y2 − k·Y3        − p³·r·Y4
    //   pre = p⁴·(u + X) + p³(1−k)·Y1 + p²(1−k)·Y2 + p(1−k)·Y3 − (p⁴·r + k)·Y4
    //   y4  = pre·(1 − pre²/6) = pre + pre²·(−pre/6)
    // Everything but the last multiply-add of a line is known as soon as the sample before has
    // its X and Y1..Y3, and the longer lines sum in two halves, so no part waits on a long sum:
    // the chain from one y4 to the next is one multiply-add, the clamp and the clipper's two
    // levels instead of the written order's fifteen dependent operations and a division. A sample
    // costs more multiplies (21 instead of 12) but runs in about a third of the written order's
    // time. The result differs from the written order in the last bits. kFused needs a caller
    // compiled for FMA.
    template <bool kFused>
    [[gnu::always_inline]] static double Step(const Coefficients& c, State& s,
                                              float input) noexcept VORTANE_NONBLOCKING {
        StepLanes<kFused>(c, s, static_cast<double>(input));
        return s.y4;
    }

    // The same step in every lane of T (double, or lanes of doubles: a filter a lane), each lane
    // with its own coefficients and state and exactly the bits of Step; the new y4 is s.y4.
    template <bool kFused, typename T>
    [[gnu::always_inline]] static void StepLanes(const FilterCoefficients<T>& c, FilterState<T>& s,
                                                 const T& u) noexcept VORTANE_NONBLOCKING {
        const T v = u + s.x_prev;
        // off the chain: each line but its Y4 term
        const T b1 = MulAdd<kFused>(-c.k, s.y1, c.p * v);
        const T b2 = MulAdd<kFused>(c.p2, v, MulAdd<kFused>(c.q1, s.y1, -c.k * s.y2));
        const T b3 = MulAdd<kFused>(c.q1, s.y2, c.p3 * v) + MulAdd<kFused>(-c.k, s.y3, c.q2 * s.y1);
        const T b4 = MulAdd<kFused>(c.p4, v, c.q1 * s.y3) + MulAdd<kFused>(c.q3, s.y1, c.q2 * s.y2);
        // the chain through Y4
        const T y4 = s.y4;
        const T clipped = Clamp(MulAdd<kFused>(c.c4, y4, b4));
        s.y4 = MulAdd<kFused>(clipped * clipped, clipped * (-1.0 / 6.0), clipped);
        // the rest of the state, beside it
        s.x_prev = MulAdd<kFused>(-c.r, y4, u);
        s.y1 = MulAdd<kFused>(-c.pr, y4, b1);
        s.y2 = MulAdd<kFused>(-c.p2r, y4, b2);
        s.y3 = MulAdd<kFused>(-c.p3r, y4, b3);
        s.y1_prev = s.y1;
        s.y2_prev = s.y2;
        s.y3_prev = s.y3;
    }

    // One sample on a path fixed at compile time; kFused only inside a function compiled for FMA.
    template <Path kPath>
    [[gnu::always_inline]] static double StepOn(const Coefficients& c, State& s,
                                                float input) noexcept VORTANE_NONBLOCKING {
        if constexpr (kPath == Path::kWrittenOrder) {
            return StepWrittenOrder(c, s, input);
        } else {
            return Step<kPath == Path::kFused>(c, s, input);
        }
    }

    Path path() const {
        return path_;
    }
    // The voice's options choose a path; kFused only where FastestPath() gives it.
    void set_path(Path path) {
        path_ = path;
    }

    const Coefficients& coefficients() const {
        return coefficients_;
    }
    const State& state() const {
        return state_;
    }
    void set_state(const State& state) {
        state_ = state;
    }

private:
    static constexpr double kClipperLimit = 3.4641016151377544; // √12

    // a·b + c, in one rounding where kFused
    template <bool kFused, typename T>
    [[gnu::always_inline]] static T MulAdd(const T& a, const T& b, const T& c) noexcept VORTANE_NONBLOCKING {
        if constexpr (kFused) {
            return FusedMulAdd(a, b, c);
        } else {
            return a * b + c;
        }
    }

    // std::clamp(v, −√12, √12), lane by lane in lanes: NaN passes
    template <typename T> [[gnu::always_inline]] static T Clamp(const T& v) noexcept VORTANE_NONBLOCKING {
        const T low = T{} - kClipperLimit, high = T{} + kClipperLimit;
        return v < low ? low : (high < v ? high : v);
    }

    Path path_ = Path::kPlain;
    State state_;
    // cached coefficients and the inputs they were computed for
    Coefficients coefficients_;
    double f_ = 0, t_ = 0, t2_ = 0;
    int cached_cutoff_ = 0;
    int cached_resonance_ = 0;
};

} // namespace vortane
