#include "stochastic/random_source.h"

#include <vector>

#include <gtest/gtest.h>

namespace vortane {
namespace {

// RandomBetween(-50, 50) is exactly uniform, so this also checks that it draws k from all of
// 0..100; another seed gives another sequence.
TEST(RandomBetween, SeededDrawsPassChiSquare) {
    RandomSource random, other;
    random.Seed(20240611);
    other.Seed(20240612);
    constexpr int kPerValue = 1000;
    std::vector<int> counts(101, 0);
    int same = 0;
    for (int i = 0; i < 101 * kPerValue; ++i) {
        const int32_t v = random.RandomBetween(-50, 50);
        ASSERT_TRUE(v >= -50 && v <= 50) << v;
        ++counts[static_cast<size_t>(v + 50)];
        same += v == other.RandomBetween(-50, 50) ? 1 : 0;
    }
    double chi_square = 0.0;
    for (int c : counts) {
        chi_square += (c - kPerValue) * (c - kPerValue) / static_cast<double>(kPerValue);
    }
    // 100 degrees of freedom: mean 100, standard deviation sqrt(200); 5 sigma either side.
    EXPECT_NEAR(chi_square, 100.0, 5.0 * 14.15);
    EXPECT_LT(same, 2 * kPerValue); // about 1 in 101 by chance
}

} // namespace
} // namespace vortane
