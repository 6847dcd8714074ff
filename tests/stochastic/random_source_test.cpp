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

TEST(RangeDraw, SmallSpanGivesTheTopValueTheExtraDraw) {
    const std::map<int32_t, int> expected{{-2, 20}, {-1, 20}, {0, 20}, {1, 20}, {2, 21}};
    EXPECT_EQ(CountsOverAllDraws(-2, 2), expected);
}

TEST(RangeDraw, SpanOf101IsExactlyUniform) {
    for (auto [min, max] : {std::pair{0, 100}, std::pair{-50, 50}}) {
        const auto counts = CountsOverAllDraws(min, max);
        ASSERT_EQ(counts.size(), 101u);
        EXPECT_EQ(counts.begin()->first, min);
        EXPECT_EQ(counts.rbegin()->first, max);
        for (auto [value, count] : counts) {
            EXPECT_EQ(count, 1) << value;
        }
    }
}

TEST(RangeDraw, WideSpanReachesOnly101Values) {
    const auto counts = CountsOverAllDraws(20, 200);
    EXPECT_EQ(counts.size(), 101u);
    for (int32_t v : {20, 21, 23, 25, 199, 200}) {
        EXPECT_EQ(counts.count(v), 1u) << v;
    }
    EXPECT_EQ(counts.count(22), 0u);
    EXPECT_EQ(RandomSource::RangeFromDraw(20, 200, 100), 200);
    EXPECT_LT(RandomSource::RangeFromDraw(20, 200, 99), 200);
}

// The double product n * (k / 100) agrees with the exact min + floor(n k / 100) for every span the
// walks use (the uniform steps 5..41, the probabilities 101, the PriC interval 181).
TEST(RangeDraw, MatchesExactQuotientForTheSpansInUse) {
    std::vector<int32_t> half_ranges{50, 90};
    for (int32_t m = 2; m <= 20; ++m) {
        half_ranges.push_back(m);
    }
    for (int32_t m : half_ranges) {
        for (int32_t k = 0; k <= 100; ++k) {
            const int32_t n = 2 * m + 1;
            EXPECT_EQ(RandomSource::RangeFromDraw(-m, m, k), std::min(-m + n * k / 100, m)) << m << " " << k;
        }
    }
}

TEST(ProbabilityDraws, EndsAreReplacedAndDoubled) {
    std::map<float, int> open;
    std::map<float, int> centred;
    for (int32_t r = 0; r <= 100; ++r) {
        EXPECT_EQ(RandomSource::FractionFromDraw(r), static_cast<float>(r) / 100.0f);
        ++open[RandomSource::OpenProbabilityFromDraw(r)];
        ++centred[RandomSource::CentredProbabilityFromDraw(r - 50)];
    }
    EXPECT_EQ(open.size(), 99u);
    EXPECT_EQ(open.begin()->first, 0.01f);
    EXPECT_EQ(open.rbegin()->first, 0.99f);
    EXPECT_EQ(open[0.01f], 2);
    EXPECT_EQ(open[0.99f], 2);
    EXPECT_EQ(open[0.5f], 1);
    EXPECT_EQ(centred.size(), 99u);
    EXPECT_EQ(centred.begin()->first, -0.49f);
    EXPECT_EQ(centred.rbegin()->first, 0.49f);
    EXPECT_EQ(centred[-0.49f], 2);
    EXPECT_EQ(centred[0.49f], 2);
}

TEST(UniformSource, UniformIntPassesChiSquare) {
    RandomSource random;
    random.Seed(20240611);
    constexpr int kBuckets = 101;
    constexpr int kPerBucket = 1000;
    std::vector<int> counts(kBuckets, 0);
    for (int i = 0; i < kBuckets * kPerBucket; ++i) {
        const int32_t v = random.UniformInt(kBuckets - 1);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, kBuckets);
        ++counts[static_cast<size_t>(v)];
    }
    double chi_square = 0.0;
    for (int c : counts) {
        chi_square += (c - kPerBucket) * (c - kPerBucket) / static_cast<double>(kPerBucket);
    }
    // 100 degrees of freedom: mean 100, standard deviation sqrt(200); 5 sigma either side.
    EXPECT_LT(chi_square, 100.0 + 5.0 * 14.15);
    EXPECT_GT(chi_square, 100.0 - 5.0 * 14.15);
}

TEST(UniformSource, SameSeedSameSequence) {
    RandomSource a;
    RandomSource b;
    RandomSource c;
    a.Seed(42);
    b.Seed(42);
    c.Seed(43);
    int differences = 0;
    for (int i = 0; i < 1000; ++i) {
        const uint32_t word = a.NextWord();
        EXPECT_EQ(word, b.NextWord());
        differences += word != c.NextWord() ? 1 : 0;
    }
    EXPECT_GT(differences, 990);
}

TEST(UniformSource, SeedsItselfAtTheFirstDraw) {
    RandomSource random;
    EXPECT_FALSE(random.IsSeeded());
    const int32_t v = random.RandomBetween(-2, 2);
    EXPECT_TRUE(random.IsSeeded());
    EXPECT_GE(v, -2);
    EXPECT_LE(v, 2);
}

} // namespace
} // namespace vortane
