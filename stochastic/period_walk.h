#pragma once

#include <cstdint>

#include "base/realtime.h"
#include "stochastic/distributions.h"

namespace vortane {

class RandomSource;

// How the primary value follows the frequency step: "PriW" adds it (a walk), "PriR" takes it,
// "PriC" holds the step size rounded (at least 1) and returns to Lo every 21 to 201 periods.
// None leaves the primary value as it is.
enum class PrimaryMode : uint8_t { None, Walk, Random, Constant };

// What brings a period length that left [Lo, Hi] back in, below Lo / above Hi:
//   Mirror     2Lo − x / 2Hi − x       Centred    Lo + (Hi − Lo) / 2 on both sides
//   Random     Lo + u(Hi − Lo) / Hi − u(Hi − Lo)
//   OnLimits   Lo / Hi                 OppLimits  Hi / Lo
//   LoMirHiLo  2Lo − x / Lo
// With None the length is clamped into the range.
enum class BarrierBehaviour : uint8_t { None, Mirror, Random, Centred, OnLimits, OppLimits, LoMirHiLo };

struct PeriodWalkParams {
    int frequency_setting = 180;   // F, 70..1000
    float secondary_barrier = 36;  // D, semitones
    int primary_step_barrier = 30; // B
    FrequencyStepParams step;
    PrimaryMode primary_mode = PrimaryMode::Walk;
    BarrierBehaviour behaviour = BarrierBehaviour::Mirror;
    // A played note's frequency (Hz), the centre of the range in semitones; 0 when F sets the range.
    float centre_frequency = 0.0f;
};

// The walk counts in samples when F sets the range, and in kPitchGrid-ths of a sample around a
// played note, so that a note's range can be narrower than a sample and centred on any frequency
// (at 2 kHz half a sample is 40 cents). The steps, B and the "PriC" step, drawn in samples, count
// kPitchGrid units each there: the same walk on a finer grid.
inline constexpr int32_t kPitchGrid = 64;
inline int32_t WalkGrid(const PeriodWalkParams& params) {
    return params.centre_frequency > 0.0f ? kPitchGrid : 1;
}

// Barriers of the period length in samples for frequency setting F and secondary barrier D:
//   e = 2^(3 (F − 70) / 930) − 1,  Hi = 44100 / (132 e + 70)
//   q = 2^(D / 12),                Lo = 44100 / ((930/7 e + 70) q)
// e and q in single precision; Lo is at least 1 and never above Hi.
struct PeriodBarriers {
    int32_t lo;
    int32_t hi;
};
PeriodBarriers ComputePeriodBarriers(int frequency_setting,
                                     float secondary_barrier) noexcept VORTANE_NONBLOCKING;

// Barriers in kPitchGrid units around a note of frequency f: the periods of f·2^(±D/24), so that
// the range spans D semitones centred on f. Lo is at least one sample.
PeriodBarriers NoteBarriers(float centre_frequency, float secondary_barrier) noexcept VORTANE_NONBLOCKING;

// The secondary barrier fold by one behaviour, pass after pass until Lo <= length <= Hi (a mirror
// may overshoot the other barrier); u is the call's fraction for Random.
int32_t FoldPeriodLength(int64_t length, PeriodBarriers barriers, float u,
                         BarrierBehaviour behaviour) noexcept VORTANE_NONBLOCKING;

// The pitch: a two-level walk of the period length. Each period the frequency step is drawn, the
// primary value (within ±B) takes it by the primary mode, and the length moves by the primary value
// and is folded back between the barriers. State is the walk's own; the audio thread alone runs it.
// Lengths, primary values and barriers are in WalkGrid units; the frequency step in samples.
struct PeriodWalk {
    // The period count wraps to 0 once it passes this value.
    static constexpr int32_t kCountWrap = 2147483640;

    void Init() { *this = PeriodWalk{}; }

    // The length of the period that begins, at least 1, in WalkGrid(params) units. kNote says
    // whether a note's frequency sets the range (params.centre_frequency > 0), which the caller
    // knows for a whole block.
    template <bool kNote = false>
    int32_t Next(const PeriodWalkParams& params, RandomSource& random) noexcept VORTANE_NONBLOCKING;

    // Stop: the count, and with it the "PriC" interval, starts again.
    void RestartCount() { period_count = 0; }

    // A note starts: the length at the centre of the note's range, at rest, so that it sounds in
    // tune from its first period.
    void CentreOn(const PeriodWalkParams& params) noexcept VORTANE_NONBLOCKING;

    // walk state
    int32_t period_count = 0; // periods since the last "PriC" return, Stop or start
    int32_t reset_armed = 0;  // 1 while a "PriC" interval is drawn
    int32_t reset_interval = 0;
    int32_t frequency_step = 0;
    int32_t primary_value = 0;
    int32_t period_length = 0;

    // The barriers depend on F and D alone, which seldom move: kept from the last period, worked
    // out again (two powers) only when either differs.
    struct Derived {
        bool valid = false;
        int frequency_setting = 0;
        float secondary_barrier = 0.0f;
        float centre_frequency = 0.0f;
        PeriodBarriers barriers{0, 0};
    };
    Derived derived;

private:
    PeriodBarriers Barriers(const PeriodWalkParams& params) noexcept VORTANE_NONBLOCKING;
};

} // namespace vortane
