#include "stochastic/random_source.h"

#include <map>
#include <vector>

#include <gtest/gtest.h>

namespace vortane {
namespace {

// How often each result of RandomBetween(min, max) occurs over the 101 equally likely draws k.
std::map<int32_t, int> CountsOverAllDraws(int32_t min, int32_t max) {
    std::map<int32_t, int> counts;
    for (int32_t k = 0; k <= 100; ++k) {
        ++counts[RandomSource::RangeFromDraw(min, max, k)];
    }
    return counts;
}

// Only 101 outcomes exist whatever the span: a small span gives its top value the extra draw, a
// wide one skips values.
TEST(RandomBetween, HasExactly101EquallyLikelyOutcomes) {
    const std::map<int32_t, int> expected{{-2, 20}, {-1, 20}, {0, 20}, {1, 20}, {2, 21}};
    EXPECT_EQ(CountsOverAllDraws(-2, 2), expected);
    EXPECT_EQ(CountsOverAllDraws(20, 200).size(), 101u);
}

// RandomBetween(-50, 50) is exactly uniform, so this also checks that it draws k from all of 0..100.
TEST(RandomBetween, SeededDrawsPassChiSquare) {
    RandomSource random;
    random.Seed(20240611);
    constexpr int kPerValue = 1000;
    std::vector<int> counts(101, 0);
    for (int i = 0; i < 101 * kPerValue; ++i) {
        const int32_t v = random.RandomBetween(-50, 50);
        ASSERT_GE(v, -50);
        ASSERT_LE(v, 50);
        ++counts[static_cast<size_t>(v + 50)];
    }
    double chi_square = 0.0;
    for (int c : counts) {
        chi_square += (c - kPerValue) * (c - kPerValue) / static_cast<double>(kPerValue);
    }
    // 100 degrees of freedom: mean 100, standard deviation sqrt(200); 5 sigma either side.
    EXPECT_LT(chi_square, 100.0 + 5.0 * 14.15);
    EXPECT_GT(chi_square, 100.0 - 5.0 * 14.15);
}

TEST(RandomSource, SameSeedSameSequence) {
    RandomSource a, b, c;
    a.Seed(42);
    b.Seed(42);
    c.Seed(43);
    int differences = 0;
    for (int i = 0; i < 1000; ++i) {
        const uint32_t word = a.NextWord();
        ASSERT_EQ(word, b.NextWord()) << i;
        differences += word != c.NextWord() ? 1 : 0;
    }
    EXPECT_GT(differences, 990);
}

} // namespace
} // namespace vortane
