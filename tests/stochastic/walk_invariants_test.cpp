#include <cstdlib>
#include <tuple>

#include <gtest/gtest.h>

#include "engine/control_events.h"
#include "engine/control_ids.h"
#include "engine/engine.h"
#include "stochastic/control_point_walk.h"
#include "stochastic/period_walk.h"

namespace vortane {
namespace {

// Distribution option, primary mode option, secondary behaviour option.
using Modes = std::tuple<int, int, int>;

class PeriodWalkInvariants : public testing::TestWithParam<Modes> {};

// At the corners of every slider the period stays within the barriers of its own call, the primary
// value within +-B, and every fold ends.
TEST_P(PeriodWalkInvariants, StaysWithinBarriersAtExtremeSettings) {
    const auto [distribution, primary_mode, behaviour] = GetParam();
    Engine engine;
    PrepareAsAtStartup(engine);
    engine.random.Seed(static_cast<uint64_t>(distribution * 10000 + primary_mode * 100 + behaviour));
    engine.panel.SelectOption(distribution);
    engine.panel.SelectOption(primary_mode);
    engine.panel.SelectOption(behaviour);
    for (int f : {70, 1000, 899, 180}) {
        for (float d : {0.2f, 60.0f, 36.0f}) {
            for (auto [barrier, step_slider, width] :
                 {std::tuple{2, 500, 3.0f}, {200, 500, 3.0f}, {2, 50, 0.1f}}) {
                Put(engine.state.frequency_setting, f);
                Put(engine.state.secondary_barrier, d);
                Put(engine.state.primary_step_barrier, barrier);
                engine.panel.SetState(id::kPrimaryStepSize, step_slider);
                ApplyControlEvent(engine, id::kPrimaryStepSize);
                Put(engine.state.probability_width, width);
                const PeriodBarriers b = ComputePeriodBarriers(f, d);
                for (int i = 0; i < 300; ++i) {
                    const int32_t length = NextPeriodLength(engine);
                    ASSERT_GE(length, b.lo);
                    ASSERT_LE(length, b.hi);
                    ASSERT_GE(length, 1);
                    ASSERT_LE(std::abs(engine.period_walk.primary_value), barrier);
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllModes, PeriodWalkInvariants,
                         testing::Combine(testing::Values(id::kCauchy, id::kLogistic, id::kUniform,
                                                          id::kArcSin),
                                          testing::Values(id::kPriW, id::kPriR, id::kPriC),
                                          testing::Values(id::kSMirror, id::kSCentred, id::kSRandom,
                                                          id::kSOnLimits, id::kSOppLimits, id::kSLoMirHiLo)));

// Barriers that jump every period, and option groups left with nothing selected.
TEST(PeriodWalkInvariants, SurvivesJumpingBarriersAndEmptyGroups) {
    Engine engine;
    PrepareAsAtStartup(engine);
    engine.random.Seed(1234);
    Put(engine.state.probability_width, 3.0f);
    Put(engine.state.primary_step_size, 5.0f);
    for (int i = 0; i < 20000; ++i) {
        const int f = 70 + engine.random.UniformInt(930);
        const float d = static_cast<float>(engine.random.UniformInt(598) + 2) / 10.0f;
        Put(engine.state.frequency_setting, f);
        Put(engine.state.secondary_barrier, d);
        const int option = id::kSMirror + engine.random.UniformInt(6);
        if (i % 7 == 0) {
            engine.panel.SetState(engine.panel.GetState(option) == 1 ? option : id::kSMirror, 0);
        } else {
            engine.panel.SelectOption(option);
        }
        if (i % 11 == 0) {
            engine.panel.SetState(id::kPriW, 0);
            engine.panel.SetState(id::kPriR, 0);
            engine.panel.SetState(id::kPriC, 0);
        } else {
            engine.panel.SelectOption(id::kPriW + engine.random.UniformInt(2));
        }
        const PeriodBarriers b = ComputePeriodBarriers(f, d);
        const int32_t length = NextPeriodLength(engine);
        ASSERT_GE(length, b.lo) << i;
        ASSERT_LE(length, b.hi) << i;
    }
}

TEST(ControlPointWalkInvariants, PositionsStayInRangeAtExtremeSettings) {
    Engine engine;
    PrepareAsAtStartup(engine);
    engine.random.Seed(77);
    for (int i = 0; i < 40000; ++i) {
        const auto k = static_cast<Coordinate>(i % kCoordinateCount);
        const auto index = static_cast<size_t>(k);
        if (i % 200 < 4) {
            // New corner settings for this coordinate every 50 of its periods.
            const int corner = engine.random.UniformInt(7);
            Put(engine.state.point_step_size[index], (corner & 1) != 0 ? 100.0f : 0.0f);
            Put(engine.state.point_barrier[index], (corner & 2) != 0 ? 100 : 0);
            Put(engine.state.negative[index], (corner & 4) != 0 ? 1 : 0);
            Put(engine.state.x1_max, engine.random.UniformInt(1) == 0 ? 70.0f : 115.0f);
            const int slider = id::kX1 + static_cast<int>(k);
            engine.panel.SetState(slider, engine.random.UniformInt(1) == 0 ? 0 : 200); // clamped to an end
        }
        const int x = engine.panel.GetState(id::kX1 + static_cast<int>(k));
        const PointRange range =
            ControlPointRange(k, x, x, Get(engine.state.x1_max), Get(engine.state.negative[index]) == 1);
        const int32_t position = WalkControlPoint(engine, k);
        ASSERT_GE(position, range.lo) << i;
        ASSERT_LE(position, range.hi) << i;
        ASSERT_LT(range.lo, range.hi);
        ASSERT_LE(std::abs(engine.point_walks[index].primary_value),
                  ControlPointBarrier(k, Get(engine.state.point_barrier[index])));
    }
}

} // namespace
} // namespace vortane
