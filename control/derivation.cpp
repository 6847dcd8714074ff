#include "control/derivation.h"

#include <cmath>

namespace vortane {
namespace {

using P = ParamId;

int Whole(const ParamValues& v, ParamId id) noexcept VORTANE_NONBLOCKING {
    return static_cast<int>(std::nearbyint(v[Index(id)]));
}

float Scaled(const ParamValues& v, ParamId id, double divisor) noexcept VORTANE_NONBLOCKING {
    return static_cast<float>(static_cast<double>(v[Index(id)]) / divisor);
}

bool On(const ParamValues& v, ParamId id) noexcept VORTANE_NONBLOCKING {
    return v[Index(id)] == 1.0f;
}

// An option index as the voice's enum, whose first value is None.
template <typename Enum> Enum Option(const ParamValues& v, ParamId id) noexcept VORTANE_NONBLOCKING {
    return static_cast<Enum>(Whole(v, id) + 1);
}

} // namespace

float SliderPoint(Coordinate k, const ParamValues& v, uint64_t handed_over) noexcept VORTANE_NONBLOCKING {
    const ParamId id = PointParam(k);
    return (handed_over & ParamBit(id)) != 0 ? Scaled(v, id, 100.0) : kInitialPoints[static_cast<size_t>(k)];
}

float DisplayX1(int x1, float x1_max) {
    return static_cast<float>(static_cast<double>(x1) * static_cast<double>(x1_max) / 99.0 / 100.0);
}

void DeriveVoiceParams(const ParamValues& v, uint64_t written, uint64_t handed_over,
                       VoiceParams& p) noexcept VORTANE_NONBLOCKING {
    p.cutoff = static_cast<double>(v[Index(P::Frq)]);
    p.resonance = Whole(v, P::Res);
    for (Coordinate k : {Coordinate::Y1, Coordinate::X2, Coordinate::Y2}) {
        if ((written & ParamBit(PointParam(k))) != 0) {
            p.events |= VoiceParams::PointWritten(k);
            p.points[static_cast<size_t>(k)] = SliderPoint(k, v, handed_over);
        }
    }

    OscillatorParams& o = p.oscillator;
    o.master_volume = v[Index(P::MasterVolume)];
    PeriodWalkParams& w = o.period;
    w.frequency_setting = Whole(v, P::FrequencySetting);
    w.secondary_barrier = Scaled(v, P::SecondaryBarrier, 10.0);
    w.primary_step_barrier = Whole(v, P::PrimaryStepBarrier);
    w.step.distribution = Option<Distribution>(v, P::Distribution);
    w.step.probability_width = Scaled(v, P::ProbabilityWidth, 10.0);
    w.step.primary_step_size = Scaled(v, P::PrimaryStepSize, 100.0);
    w.step.step_size_slider = Whole(v, P::PrimaryStepSize); // "Uniform" reads the position itself
    w.primary_mode = Option<PrimaryMode>(v, P::WalkMode);
    w.behaviour = Option<BarrierBehaviour>(v, P::Behaviour);

    for (int k = 0; k < kCoordinateCount; ++k) {
        const auto i = static_cast<size_t>(k);
        o.walk_on[i] = On(v, Offset(P::X1On, k));
        ControlPointParams& c = o.points[i];
        c.barrier = Whole(v, Offset(P::X1Barrier, k));
        c.step_size = v[Index(Offset(P::X1StepSize, k))];
        c.negative = On(v, Offset(P::X1Negative, k));
        c.slider = Whole(v, Offset(P::X1, k));
        c.x1_max = v[Index(P::X1Max)];
    }
}

} // namespace vortane
