#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "base/cpu_features.h"
#include "base/realtime.h"

namespace vortane {

// Polyphase resampler: a mono float stream at rate fi converted to rate fo by a Kaiser-windowed sinc.
// Output sample t stands at input time τ = t·fi/fo = n + φ (n whole, 0 ≤ φ < 1) and is
//     y[t] = Σ_i c_φ[i]·x[n − H + 1 + i],   i = 0 … T−1,   H = T/2
//     c_φ[i] = h(φ + H − 1 − i),   h(s) = 2fc/fi · sinc(2fc/fi · s) · I0(β·√(1 − (2s/T)²)) / I0(β)
// one dot product of T contiguous taps with the input history. Output t thus lies exactly on the
// input's clock (no delay of its own), but needs the input up to sample n + H: the look-ahead H is
// the filter's group delay, which a caller that feeds a live stream turns into latency.
//
// Design. The passband ends at fp = 20 kHz, or lower: at 0.9 of fo/2 when fo is below fi (at 0.95
// of fi/2 for an fi below 42.1 kHz). The stopband starts at fz = min(fi, fo)/2, the lower Nyquist,
// so up-sampling makes no images above fi/2 and down-sampling folds nothing back; fc = (fp + fz)/2.
// Kaiser's estimates for an attenuation A,
//     β = 0.1102·(A − 8.7),   T ≥ (A − 7.95) / (2.285 · 2π(fz − fp)/fi),
// with A = 105 dB give at least 100 dB in the stopband (5 dB to spare for the estimate and the
// float taps) and a passband ripple near 5·10⁻⁵ dB, far inside ±0.05 dB. T is rounded up to a
// multiple of kLanes: 160 taps from 44.1 kHz upwards, 192 at 32 kHz, 288 at 22.05 kHz. Each phase
// is scaled to sum to exactly 1, so DC passes with no ripple at the phase period.
//
// Phases. With whole-Hz rates fo/fi reduces to L/M (48000/44100 = 160/147) and the clock steps M/L
// input samples per output: only L phases φ = p/L occur and each gets its row of taps. When L would
// make the table too large (or a rate is not whole Hz), the prototype is tabulated at kFinePhases
// phases per input sample and an output interpolates linearly between the two rows around φ (at
// 512 phases its error stays below the stopband); the clock then counts φ in 32-bit fixed point.
// Either way the clock is integer, so the output never depends on how it is split into calls, and
// nothing allocates after Init.
//
// History. The input is kept in a ring of C samples (a power of two) written twice, at k and k + C,
// so the T samples of any window are contiguous. The dot product keeps kLanes partial sums in
// vectors of eight (a plain float sum would stay serial: the compiler may not reorder it), added up
// in a fixed order. Processors with AVX run the same operations in 256-bit registers, without fused
// multiply-adds, so every processor gives the same bits.
// The filter of one pair of rates and its clock's steps (see above). Built once per pair and
// shared, immutable, by every resampler in the process converting between the two rates; freed with
// the last of them.
struct PolyphaseTable {
    static constexpr double kAttenuationDb = 105.0;
    static constexpr double kPassbandEndHz = 20000.0;
    static constexpr size_t kMaxExactPhases = 1024; // 655 KB of taps at 160 per phase
    static constexpr int kFinePhaseBits = 9;
    static constexpr size_t kLanes = 32; // partial sums of a dot product (Dot adds them up)
    static constexpr size_t kFinePhases = size_t{1} << kFinePhaseBits;

    // The table for in_rate → out_rate: the one another resampler already holds, or a new one.
    // Null for rates it does not convert (out of 1/8 … 16 times). Allocates and locks: never on
    // the audio thread.
    static std::shared_ptr<const PolyphaseTable> Shared(double in_rate, double out_rate);

    size_t taps = 0;
    bool exact = true; // one row per phase; else kFinePhases + 1 rows, interpolated
    // the clock's step, M/L input samples per output: step_whole + step_fraction / denominator
    uint64_t denominator = 1, step_fraction = 0;
    int64_t step_whole = 0;
    std::vector<float> rows; // rows of taps, one per phase
};

class PolyphaseResampler {
public:
    static constexpr size_t kLanes = PolyphaseTable::kLanes;
    static constexpr int kFinePhaseBits = PolyphaseTable::kFinePhaseBits;

    // Takes the filter for in_rate → out_rate (shared, see PolyphaseTable) and sizes the ring for
    // writes of up to max_write samples (allocates). Returns false for rates it does not convert.
    bool Init(double in_rate, double out_rate, size_t max_write) {
        table_ = PolyphaseTable::Shared(in_rate, out_rate);
        taps_ = table_ ? table_->taps : 0;
        if (taps_ == 0) {
            return false;
        }
        exact_ = table_->exact;
        denominator_ = table_->denominator;
        step_whole_ = table_->step_whole;
        step_fraction_ = table_->step_fraction;
        size_t capacity = 1;
        while (capacity < taps_ + max_write) {
            capacity *= 2;
        }
        history_.assign(2 * capacity, 0.0f);
        mask_ = capacity - 1;
        avx_ = CpuHas(CpuFeature::kAvx);
        Reset();
        return true;
    }

    // Empties the history (the input before the first written sample is silence) and restarts the
    // clock: output 0 stands on input 0.
    void Reset() {
        std::fill(history_.begin(), history_.end(), 0.0f);
        written_ = 0;
        position_ = 0;
        fraction_ = 0;
    }

    bool Ready() const { return taps_ > 0; }
    size_t Taps() const { return taps_; }
    // input samples needed beyond the one at or before an output's instant
    size_t LookAhead() const { return taps_ / 2; }
    bool Interpolated() const { return !exact_; }
    const std::shared_ptr<const PolyphaseTable>& table() const { return table_; }
    // Input samples still to be written before the next `outputs` samples can all be rendered.
    size_t InputNeeded(size_t outputs) const noexcept VORTANE_NONBLOCKING {
        if (outputs == 0 || taps_ == 0) {
            return 0;
        }
        const uint64_t steps = outputs - 1, carry = (fraction_ + steps * step_fraction_) / denominator_;
        const int64_t last =
            position_ + static_cast<int64_t>(steps) * step_whole_ + static_cast<int64_t>(carry);
        return static_cast<size_t>(
            std::max<int64_t>(last + static_cast<int64_t>(LookAhead()) + 1 - written_, 0));
    }

    // Appends input; returns how many samples the ring took (all of them when the caller writes at
    // most max_write samples at a time, and only once Render has run out of input).
    size_t Write(const float* in, size_t size) noexcept VORTANE_NONBLOCKING {
        if (taps_ == 0) {
            return 0;
        }
        const int64_t oldest_needed = position_ - static_cast<int64_t>(LookAhead()) + 1;
        const int64_t room = static_cast<int64_t>(mask_ + 1) - (written_ - oldest_needed);
        size = std::min(size, static_cast<size_t>(std::max<int64_t>(room, 0)));
        float* history = history_.data();
        const size_t capacity = mask_ + 1;
        for (size_t i = 0; i < size; ++i) {
            const size_t k = static_cast<size_t>(written_ + static_cast<int64_t>(i)) & mask_;
            history[k] = history[k + capacity] = in[i];
        }
        written_ += static_cast<int64_t>(size);
        return size;
    }

    // Renders output samples while the input lasts; returns how many.
    size_t Render(float* out, size_t size) noexcept VORTANE_NONBLOCKING {
        if (taps_ == 0) {
            return 0;
        }
        return avx_ ? RenderAvx(out, size) : RenderPlain(out, size);
    }

private:
    // Σ c[i]·x[i] over taps (a multiple of kLanes) as kLanes interleaved partial sums in four
    // vectors of eight, enough independent sums to keep the multiply-adds in flight; the vectors
    // are added up at the end in a fixed order.
    using Lanes = float __attribute__((vector_size(32)));
    [[gnu::always_inline]] static inline float Dot(const float* c, const float* x,
                                                   size_t taps) noexcept VORTANE_NONBLOCKING {
        Lanes sum[4] = {};
        for (size_t i = 0; i < taps; i += kLanes) {
#pragma GCC unroll 4 // the four sums stay in registers, not on the stack
            for (size_t k = 0; k < 4; ++k) {
                Lanes cv, xv;
                std::memcpy(&cv, c + i + 8 * k, sizeof cv);
                std::memcpy(&xv, x + i + 8 * k, sizeof xv);
                sum[k] += cv * xv;
            }
        }
        const Lanes s = (sum[0] + sum[1]) + (sum[2] + sum[3]);
        return ((s[0] + s[4]) + (s[1] + s[5])) + ((s[2] + s[6]) + (s[3] + s[7]));
    }

    // The same arithmetic in 256-bit registers (no fused multiply-add, so the same bits).
    VORTANE_TARGET_AVX size_t RenderAvx(float* out, size_t size) noexcept VORTANE_NONBLOCKING {
        return exact_ ? RenderPhases<false>(out, size) : RenderPhases<true>(out, size);
    }
    size_t RenderPlain(float* out, size_t size) noexcept VORTANE_NONBLOCKING {
        return exact_ ? RenderPhases<false>(out, size) : RenderPhases<true>(out, size);
    }

    template <bool kInterpolate>
    [[gnu::always_inline]] inline size_t RenderPhases(float* out, size_t size) noexcept VORTANE_NONBLOCKING {
        const size_t taps = taps_;
        const int64_t half = static_cast<int64_t>(taps / 2);
        const int64_t last = written_ - 1 - half; // the latest position whose window is complete
        const float* table = table_->rows.data();
        const float* history = history_.data();
        int64_t position = position_;
        uint64_t fraction = fraction_;
        size_t done = 0;
        for (; done < size && position <= last; ++done) {
            const float* x = history + (static_cast<uint64_t>(position - half + 1) & mask_);
            if constexpr (kInterpolate) {
                constexpr int kShift = 32 - kFinePhaseBits;
                const size_t row = static_cast<size_t>(fraction >> kShift);
                const float a = static_cast<float>(fraction & ((uint64_t{1} << kShift) - 1)) *
                                (1.0f / static_cast<float>(uint64_t{1} << kShift));
                const float y0 = Dot(table + row * taps, x, taps);
                const float y1 = Dot(table + (row + 1) * taps, x, taps);
                out[done] = y0 + a * (y1 - y0);
            } else {
                out[done] = Dot(table + fraction * taps, x, taps);
            }
            position += step_whole_;
            fraction += step_fraction_;
            if (fraction >= denominator_) {
                fraction -= denominator_;
                ++position;
            }
        }
        position_ = position;
        fraction_ = fraction;
        return done;
    }

    // the shared design, and what the per-sample loop reads of it
    std::shared_ptr<const PolyphaseTable> table_;
    size_t taps_ = 0;
    bool exact_ = true;
    bool avx_ = false;

    // the clock: output instant = position_ + fraction_ / denominator_ input samples
    uint64_t denominator_ = 1, step_fraction_ = 0;
    int64_t step_whole_ = 0;
    int64_t position_ = 0;
    uint64_t fraction_ = 0;

    // input history: a ring of mask_ + 1 samples stored twice
    std::vector<float> history_;
    size_t mask_ = 0;
    int64_t written_ = 0;
};

} // namespace vortane
