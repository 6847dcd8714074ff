#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "control/tuning.h"

namespace vortane {
namespace {

double Cents(double hz, double reference) {
    return 1200.0 * std::log2(hz / reference);
}

std::string FactoryScale(const std::string& name) {
    std::ifstream in(VORTANE_FACTORY_SCALE_SOURCE "/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

Tuning Parsed(std::string_view scl, std::string_view kbm = "") {
    const TuningParse parsed = ParseTuning(scl, kbm);
    EXPECT_TRUE(parsed.tuning) << parsed.error;
    return parsed.tuning.value_or(Tuning::EqualTemperament());
}

TEST(Tuning, TwelveToneEqualTemperamentWrittenOutPlaysAsTheDefault) {
    const Tuning equal = Tuning::EqualTemperament();
    EXPECT_EQ(*equal.Frequency(69), 440.0);
    EXPECT_NEAR(*equal.Frequency(60), 261.6256, 5e-5);
    EXPECT_EQ(equal.Frequency(128), std::nullopt);
    EXPECT_EQ(ParseTuning("", "").tuning, equal);
    std::string scl = "! twelve.scl\n12 equal\n 12\n";
    for (int step = 1; step <= 12; ++step) {
        scl += std::to_string(step * 100) + ".0 ! remark\n";
    }
    const Tuning written = Parsed(scl);
    for (int key = 0; key < kTuningKeys; ++key) {
        EXPECT_NEAR(Cents(*written.Frequency(key), *equal.Frequency(key)), 0.0, 1e-9) << key;
    }
    EXPECT_EQ(written.description(), "12 equal");
    EXPECT_EQ(ParseTuning(written.scale_text(), written.keymap_text()).tuning, written);
}

// Under the default map each key from middle C is the next degree: ratio(step) from key 60, a
// period either side.
TEST(Tuning, FactoryScalesPlayEveryKeyWithinAHundredthOfACent) {
    const auto just_major = [](int step) {
        static constexpr double kRatios[] = {1.0, 9.0 / 8, 5.0 / 4, 4.0 / 3, 3.0 / 2, 5.0 / 3, 15.0 / 8};
        const int octave = static_cast<int>(std::floor(step / 7.0));
        return std::exp2(octave) * kRatios[step - 7 * octave];
    };
    const struct {
        const char* file;
        int steps; // per period
        std::function<double(int)> ratio;
    } kCases[] = {{"19-equal.scl", 19, [](int s) { return std::exp2(s / 19.0); }},
                  {"31-equal.scl", 31, [](int s) { return std::exp2(s / 31.0); }},
                  {"bohlen-pierce.scl", 13, [](int s) { return std::pow(3.0, s / 13.0); }},
                  {"just-major.scl", 7, just_major}};
    for (const auto& c : kCases) {
        const Tuning tuning = Parsed(FactoryScale(c.file));
        EXPECT_FALSE(tuning.description().empty()) << c.file;
        for (int step = -c.steps; step <= c.steps; ++step) {
            EXPECT_NEAR(Cents(*tuning.Frequency(60 + step), kMiddleCHz * c.ratio(step)), 0.0, 0.01)
                << c.file << " " << step;
        }
    }
}

// Nine keys over the thirteen degrees of a scale that repeats at 3/1: the formal octave degree (13,
// or 0 for the scale's period) makes each nine keys up a twelfth. Keys outside the map's range
// (40..88) play nothing. (A map's reference and its unmapped keys: tests/render.)
TEST(Tuning, FormalOctaveDegreeOfANonOctaveScale) {
    for (const std::string octave : {"13", "0"}) {
        const std::string kbm = "9\n40\n88\n60\n60\n261.6\n" + octave + "\n0\n2\n3\n4\n6\n7\n9\n10\n12\n";
        const Tuning tuning = Parsed(FactoryScale("bohlen-pierce.scl"), kbm);
        for (int key = 40; key < 80; ++key) {
            EXPECT_NEAR(*tuning.Frequency(key + 9) / *tuning.Frequency(key), 3.0, 1e-9) << key;
        }
        EXPECT_NEAR(Cents(*tuning.Frequency(61), 261.6), 2 * 1200.0 * std::log2(3.0) / 13, 1e-4);
        EXPECT_EQ(tuning.Frequency(39), std::nullopt);
        EXPECT_EQ(tuning.Frequency(89), std::nullopt);
    }
}

// A key the files put beyond 0.01 Hz..100 kHz plays nothing; its neighbours still play.
TEST(Tuning, KeysBeyondTheRangePlayNothing) {
    const Tuning octaves = Parsed("each key an octave\n1\n2/1\n");
    EXPECT_NEAR(*octaves.Frequency(68), kMiddleCHz * 256, 1e-6);
    EXPECT_NEAR(*octaves.Frequency(46), kMiddleCHz / 16384, 1e-12);
    EXPECT_EQ(octaves.Frequency(69), std::nullopt);
    EXPECT_EQ(octaves.Frequency(45), std::nullopt);
}

struct BadCase {
    std::string scl, kbm, error; // the message's beginning: file and line
};
class BadFileTest : public testing::TestWithParam<BadCase> {};

TEST_P(BadFileTest, IsRefusedWithItsLine) {
    const TuningParse parsed = ParseTuning(GetParam().scl, GetParam().kbm);
    EXPECT_FALSE(parsed.tuning);
    EXPECT_TRUE(parsed.error.starts_with(GetParam().error)) << parsed.error;
}

// Damaged files in general are the fuzzer's (fuzz/tuning_fuzz.cpp); here each refusal a scale or a
// map must make, with the line a user reads.
const std::string kFifth = "d\n1\n3/2\n", kMap = "1\n0\n127\n60\n60\n440\n0\n";
INSTANTIATE_TEST_SUITE_P(
    Table, BadFileTest,
    testing::Values(BadCase{"d\n2\n3/2\nthree halves\n", "", "scale line 4: expected cents"},
                    BadCase{"d\n2\n3/2 \n\n! two?\n", "", "scale line 2: 2 notes announced, 1"},
                    BadCase{"d\n2\n0/1\n3/0\n", "", "scale line 3: the ratio \"0/1\""},
                    BadCase{"d\n1\n-1000000.5\n", "", "scale line 3: \"-1000000.5\" is beyond"},
                    BadCase{"d\n1025\n", "", "scale line 2: 1025 notes"},
                    BadCase{"! desc\nd\n1\n3/2\x01\n", "", "scale line 4: binary"},
                    BadCase{std::string(kMaxTuningTextBytes + 1, '\n'), "", "scale: larger than 64 KiB"},
                    BadCase{kFifth, kMap + "0\n1\n", "keyboard map line 9: more entries"},
                    BadCase{kFifth, "1\n0\n128\n", "keyboard map line 3: expected"},
                    BadCase{kFifth, "1\n0\n127\n60\n61\n440\n0\nx\n", "keyboard map line 5: the reference"}));

} // namespace
} // namespace vortane
