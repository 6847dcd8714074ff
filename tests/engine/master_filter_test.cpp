#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

#include "engine/master_filter.h"
#include "engine/oscillator.h"
#include "stochastic/random_source.h"

namespace vortane {
namespace {

// The input through the filter at its coefficients, on the plain path.
std::vector<double> Filtered(const MasterFilter& filter, const std::vector<float>& in) {
    MasterFilter::State state = filter.state();
    std::vector<double> out(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        out[i] = MasterFilter::Step<false>(filter.coefficients(), state, in[i]);
    }
    return out;
}

// Gain of a small cosine (the clipper stays out of it; 0 Hz is DC) after the filter has settled.
double Gain(double cutoff, int resonance, double frequency) {
    MasterFilter filter;
    filter.Set(cutoff, resonance);
    std::vector<float> in(44100);
    for (size_t i = 0; i < in.size(); ++i) {
        in[i] = 0.01f * static_cast<float>(std::cos(2.0 * std::numbers::pi * frequency * i / 44100.0));
    }
    const std::vector<double> out = Filtered(filter, in);
    double in_power = 0.0, out_power = 0.0;
    for (size_t i = in.size() / 2; i < in.size(); ++i) {
        in_power += static_cast<double>(in[i]) * in[i];
        out_power += out[i] * out[i];
    }
    return std::sqrt(out_power / in_power);
}

// Each stage passes DC unchanged, so the DC gain is 1 / (1 + r). Four poles: about 24 dB an octave
// above the cutoff, at either end of the "Frq" range, over a flat pass band. The peak at the
// cutoff grows with "Res" to above the pass band.
TEST(MasterFilter, ResponseFollowsCutoffAndResonance) {
    for (int resonance : {0, 50}) {
        MasterFilter filter;
        filter.Set(1000.0, resonance);
        EXPECT_NEAR(Gain(1000.0, resonance, 0.0), 1.0 / (1.0 + filter.coefficients().r), 1e-3) << resonance;
    }
    for (double cutoff : {200.0, 1000.0, 3000.0}) {
        const auto decibels = [cutoff](double frequency) {
            return 20.0 * std::log10(Gain(cutoff, 0, frequency));
        };
        EXPECT_LT(decibels(2.0 * cutoff), -18.0) << cutoff;
        EXPECT_LT(decibels(4.0 * cutoff), -36.0) << cutoff;
        EXPECT_GT(decibels(cutoff / 4.0), -1.0) << cutoff;
    }
    double previous = 0.0;
    for (int resonance : {0, 25, 50, 75}) {
        const double gain = Gain(1000.0, resonance, 1000.0);
        EXPECT_GT(gain, previous) << resonance;
        previous = gain;
    }
    EXPECT_GT(previous, 1.0);
}

// r keeps the t and t2 of the last resonance change: moving the cutoff alone leaves it.
TEST(MasterFilter, FeedbackIsRecomputedOnlyWhenTheResonanceMoves) {
    const auto fresh = [](double cutoff, int resonance) {
        MasterFilter filter;
        filter.Set(cutoff, resonance);
        return filter.coefficients().r;
    };
    MasterFilter filter;
    filter.Set(1500.0, 80);
    filter.Set(3000.0, 80);
    EXPECT_EQ(filter.coefficients().r, fresh(1500.0, 80));
    EXPECT_NE(filter.coefficients().r, fresh(3000.0, 80));
    filter.Set(3000.0, 81);
    EXPECT_EQ(filter.coefficients().r, fresh(3000.0, 81));
    filter.Set(3000.0, 0);
    EXPECT_EQ(filter.coefficients().r, 0.0);
}

// Beyond √12 the clipper y − y³/6 returns more than it was given, and full resonance with a loud
// input ran away to infinity. Its input is held within ±√12, which it maps onto itself.
TEST(MasterFilter, LoudResonantInputCannotRunAway) {
    for (int half_period : {1, 2, 3, 5, 8}) {
        MasterFilter filter;
        filter.Init();
        filter.Set(5000.0, 100);
        std::vector<float> in(20000);
        for (size_t i = 0; i < in.size(); ++i) {
            in[i] = (static_cast<int>(i) / half_period) % 2 == 0 ? 7.5f : -7.5f;
        }
        for (double v : Filtered(filter, in)) {
            ASSERT_TRUE(std::isfinite(v)) << "half period " << half_period;
            ASSERT_LE(std::fabs(v), std::sqrt(12.0) + 1e-9);
        }
    }
}

// The written order with every intermediate in long double, the state kept in double as the
// filter keeps it: the same equations, rounded less.
double StepInLongDouble(const MasterFilter::Coefficients& c, MasterFilter::State& s, float input) {
    using L = long double;
    const L limit = std::sqrt(12.0L);
    const L x = input - L{c.r} * s.y4;
    const L y1 = (x + s.x_prev) * L{c.p} - L{c.k} * s.y1;
    const L y2 = (y1 + s.y1_prev) * L{c.p} - L{c.k} * s.y2;
    const L y3 = (y2 + s.y2_prev) * L{c.p} - L{c.k} * s.y3;
    const L clipped = std::clamp((y3 + s.y3_prev) * L{c.p} - L{c.k} * s.y4, -limit, limit);
    s = {static_cast<double>(y1), static_cast<double>(y2),
         static_cast<double>(y3), static_cast<double>(clipped - clipped * clipped * clipped / 6),
         static_cast<double>(x),  static_cast<double>(y1),
         static_cast<double>(y2), static_cast<double>(y3)};
    return s.y4;
}

// How far one way of running the filter lands from the written order over an input: the largest
// difference of the output floats and how many differ.
struct Distance {
    double worst = 0.0;
    size_t differing = 0;
};

template <class Step>
Distance FromWrittenOrder(const MasterFilter::Coefficients& c, const std::vector<float>& in, Step step) {
    MasterFilter::State reference{}, other{};
    Distance d;
    for (float v : in) {
        const auto a = static_cast<float>(MasterFilter::StepWrittenOrder(c, reference, v));
        const auto b = static_cast<float>(step(c, other, v));
        d.worst = std::max(d.worst, std::fabs(static_cast<double>(a) - b));
        d.differing += a != b ? 1 : 0;
    }
    return d;
}

VORTANE_TARGET_FMA double StepFused(const MasterFilter::Coefficients& c, MasterFilter::State& s,
                                    float input) {
    return MasterFilter::Step<true>(c, s, input);
}

// The oscillator's own output, all four walks on, before the filter.
std::vector<float> OscillatorOutput(float volume, size_t frames) {
    Oscillator oscillator;
    oscillator.Init();
    oscillator.Restart();
    OscillatorParams params;
    params.walk_on = {true, true, true, true};
    params.master_volume = volume;
    RandomSource random;
    random.Seed(20240611);
    std::vector<float> out(frames + OscillatorPlan::kMaxFrames);
    OscillatorPlan plan;
    for (size_t done = 0; done < frames; done += OscillatorPlan::kMaxFrames) {
        oscillator.Plan(params, random, plan, OscillatorPlan::kMaxFrames);
        for (int first = 0; first < OscillatorPlan::kMaxFrames; first += 4) {
            ShapeGroup<4>(plan, first, out.data() + done);
        }
    }
    out.resize(frames);
    return out;
}

// At full resonance and 3000 Hz, a loud voice drives the clipper into its fold (slope down to −5),
// where the loop multiplies a last-bit difference many times over for a few dozen samples before
// it dies away. There no evaluation of the equations but the written order itself can stay within
// 1e-6 of it: the same equations rounded less (long double) land as far away. The regrouped paths
// must land no farther than that; at normal level every way agrees to well within 1e-6.
TEST(MasterFilter, RegroupedPathsAreAsCloseAsExactArithmeticWhenLoudAndResonant) {
    if (std::numeric_limits<long double>::digits <= std::numeric_limits<double>::digits) {
        GTEST_SKIP() << "long double is double here";
    }
    MasterFilter filter;
    filter.Set(3000.0, 100);
    const MasterFilter::Coefficients c = filter.coefficients();
    const bool fused = MasterFilter::FastestPath() == MasterFilter::Path::kFused;
    const auto plain = [](const auto& cs, auto& s, float v) { return MasterFilter::Step<false>(cs, s, v); };

    const std::vector<float> quiet = OscillatorOutput(400.0f, 30 * 44100);
    for (const Distance d : {FromWrittenOrder(c, quiet, StepInLongDouble), FromWrittenOrder(c, quiet, plain),
                             fused ? FromWrittenOrder(c, quiet, StepFused) : Distance{}}) {
        EXPECT_LE(d.worst, 1e-6);
        EXPECT_LE(d.differing, quiet.size() / 1000);
    }

    const std::vector<float> loud = OscillatorOutput(1500.0f, 30 * 44100);
    const Distance exact = FromWrittenOrder(c, loud, StepInLongDouble);
    EXPECT_GT(exact.worst, 1e-5) << "the loud case no longer reaches the fold";
    for (const Distance d :
         {FromWrittenOrder(c, loud, plain), fused ? FromWrittenOrder(c, loud, StepFused) : exact}) {
        EXPECT_LE(d.worst, 10.0 * exact.worst);
        EXPECT_LE(d.differing, 10 * exact.differing);
    }
    RecordProperty("loud_long_double_worst", std::to_string(exact.worst));
}

} // namespace
} // namespace vortane
