#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/master_filter.h"

namespace vortane {
namespace {

double FreshFeedback(double cutoff, int resonance) {
    MasterFilter filter;
    filter.Process(0.0f, cutoff, resonance);
    return filter.r;
}

// r keeps the t and t2 of the last resonance change: moving the cutoff alone leaves it.
TEST(MasterFilter, FeedbackIsRecomputedOnlyWhenTheResonanceMoves) {
    MasterFilter filter;
    filter.Process(0.0f, 1500.0, 80);
    EXPECT_EQ(filter.r, FreshFeedback(1500.0, 80));
    filter.Process(0.0f, 3000.0, 80);
    EXPECT_EQ(filter.r, FreshFeedback(1500.0, 80));
    EXPECT_NE(filter.r, FreshFeedback(3000.0, 80));
    filter.Process(0.0f, 3000.0, 81);
    EXPECT_EQ(filter.r, FreshFeedback(3000.0, 81));
    filter.Process(0.0f, 3000.0, 0);
    EXPECT_EQ(filter.r, 0.0);
    EXPECT_EQ(FreshFeedback(1500.0, 0), 0.0);
}

// Beyond √12 the clipper y − y³/6 returns more than it was given, and full resonance with a loud
// input ran away to infinity. Its input is held within ±√12, which it maps onto itself.
TEST(MasterFilter, LoudResonantInputCannotRunAway) {
    for (int half_period : {1, 2, 3, 5, 8}) {
        MasterFilter filter;
        double peak = 0.0;
        for (int i = 0; i < 20000; ++i) {
            const double out = filter.Process((i / half_period) % 2 == 0 ? 7.5f : -7.5f, 5000.0, 100);
            ASSERT_TRUE(std::isfinite(out)) << "half period " << half_period << ", sample " << i;
            peak = std::max(peak, std::fabs(out));
        }
        EXPECT_LE(peak, std::sqrt(12.0) + 1e-9);
    }
}

} // namespace
} // namespace vortane
