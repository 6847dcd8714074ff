#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "engine/master_filter.h"

namespace vortane {
namespace {

// Gain of a small sine (the clipper stays out of it) after the filter has settled.
double SineGain(double cutoff, int resonance, double frequency) {
    MasterFilter filter;
    filter.Set(cutoff, resonance);
    std::vector<float> in(44100);
    std::vector<double> out(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        in[i] = 0.01f * static_cast<float>(std::sin(2.0 * std::numbers::pi * frequency * i / 44100.0));
    }
    filter.Process(in.data(), out.data(), in.size());
    double in_power = 0.0, out_power = 0.0;
    for (size_t i = in.size() / 2; i < in.size(); ++i) {
        in_power += static_cast<double>(in[i]) * in[i];
        out_power += out[i] * out[i];
    }
    return std::sqrt(out_power / in_power);
}

double Decibels(double gain) {
    return 20.0 * std::log10(gain);
}

// Each stage passes DC unchanged, so the whole filter's DC gain is 1 / (1 + r).
TEST(MasterFilter, DcGainIsOneOverOnePlusFeedback) {
    for (int resonance : {0, 50}) {
        MasterFilter filter;
        filter.Set(1000.0, resonance);
        std::vector<float> in(44100, 0.01f);
        std::vector<double> out(in.size());
        filter.Process(in.data(), out.data(), in.size());
        EXPECT_NEAR(out.back() / 0.01, 1.0 / (1.0 + filter.coefficients().r), 1e-3) << resonance;
    }
}

// Four poles: about 24 dB an octave above the cutoff, at either end of the "Frq" range.
TEST(MasterFilter, AttenuatesAnOctaveAndTwoAboveTheCutoff) {
    for (double cutoff : {200.0, 1000.0, 3000.0}) {
        const double octave = Decibels(SineGain(cutoff, 0, 2.0 * cutoff));
        const double two_octaves = Decibels(SineGain(cutoff, 0, 4.0 * cutoff));
        EXPECT_LT(octave, -18.0) << cutoff;
        EXPECT_LT(two_octaves, -36.0) << cutoff;
        EXPECT_GT(Decibels(SineGain(cutoff, 0, cutoff / 4.0)), -1.0) << cutoff; // the pass band
    }
}

TEST(MasterFilter, ResonancePeakGrowsWithRes) {
    double previous = 0.0;
    for (int resonance : {0, 25, 50, 75}) {
        const double gain = SineGain(1000.0, resonance, 1000.0);
        EXPECT_GT(gain, previous) << resonance;
        previous = gain;
    }
    EXPECT_GT(previous, 1.0); // a peak above the pass band
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
        std::vector<double> out(in.size());
        filter.Process(in.data(), out.data(), in.size());
        for (double v : out) {
            ASSERT_TRUE(std::isfinite(v)) << "half period " << half_period;
            ASSERT_LE(std::fabs(v), std::sqrt(12.0) + 1e-9);
        }
    }
}

// The regrouped step against the written order on a buzzy input (a stepped saw): the same floats,
// and the doubles within a few units in the last place, on each path this processor runs.
TEST(MasterFilter, RegroupedPathsFollowTheWrittenOrder) {
    std::vector<float> in(10 * 44100);
    for (size_t i = 0; i < in.size(); ++i) {
        in[i] = static_cast<float>(i % 147) / 147.0f - 0.5f;
    }
    const auto run = [&](MasterFilter::Path path) {
        MasterFilter filter;
        filter.set_path(path);
        filter.Set(2000.0, 60);
        std::vector<double> out(in.size());
        filter.Process(in.data(), out.data(), in.size());
        return out;
    };
    const std::vector<double> reference = run(MasterFilter::Path::kWrittenOrder);
    std::vector<MasterFilter::Path> paths = {MasterFilter::Path::kPlain};
    if (MasterFilter::FastestPath() == MasterFilter::Path::kFused) {
        paths.push_back(MasterFilter::Path::kFused);
    }
    for (MasterFilter::Path path : paths) {
        const std::vector<double> out = run(path);
        size_t same_float = 0;
        for (size_t i = 0; i < out.size(); ++i) {
            ASSERT_NEAR(out[i], reference[i], 1e-12) << static_cast<int>(path) << " at " << i;
            same_float += static_cast<float>(out[i]) == static_cast<float>(reference[i]) ? 1 : 0;
        }
        EXPECT_GE(same_float, out.size() * 999 / 1000) << static_cast<int>(path);
        EXPECT_NE(out, reference) << static_cast<int>(path); // the arithmetic did change
    }
}

} // namespace
} // namespace vortane
