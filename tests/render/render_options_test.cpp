#include "render/render_options.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string_view>
#include <vector>

#include "engine/control_ids.h"

namespace vortane {
namespace {

ParseResult Parse(std::initializer_list<std::string_view> args) {
    const std::vector<std::string_view> list(args);
    return ParseRenderOptions(list);
}

TEST(RenderOptions, DefaultsAreTenSecondsClockSeedNoSettings) {
    const ParseResult result = Parse({"out.wav"});
    ASSERT_EQ(result.status, ParseStatus::Render) << result.error;
    EXPECT_EQ(result.options.frame_count, 441000);
    EXPECT_FALSE(result.options.seed.has_value());
    EXPECT_TRUE(result.options.settings.empty());
    EXPECT_EQ(result.options.output_path, "out.wav");
}

TEST(RenderOptions, SecondsBecomeWholeFramesAndSeedIsKept) {
    const ParseResult result = Parse({"--seconds", "0.5", "--seed", "18446744073709551615", "a.wav"});
    ASSERT_EQ(result.status, ParseStatus::Render) << result.error;
    EXPECT_EQ(result.options.frame_count, 22050);
    EXPECT_EQ(result.options.seed, 18446744073709551615ull);
    EXPECT_EQ(Parse({"--seconds", "3600", "a.wav"}).options.frame_count, 3600L * 44100);
}

TEST(RenderOptions, HelpWinsWherever) {
    EXPECT_EQ(Parse({"--help"}).status, ParseStatus::Help);
    EXPECT_EQ(Parse({"--seconds", "2", "--help", "--bogus"}).status, ParseStatus::Help);
}

TEST(RenderOptions, SettingsKeepTheirOrder) {
    const ParseResult result = Parse({"--set", "Frq=900", "--set", "Uniform", "--set", "Frq=20", "x.wav"});
    ASSERT_EQ(result.status, ParseStatus::Render) << result.error;
    ASSERT_EQ(result.options.settings.size(), 3u);
    EXPECT_EQ(result.options.settings[0].state, 900);
    EXPECT_EQ(result.options.settings[1].id, id::kUniform);
    EXPECT_EQ(result.options.settings[2].state, 20);
}

struct NamedSetting {
    std::string_view arg;
    int id;
    int state;
};

void PrintTo(const NamedSetting& s, std::ostream* os) {
    *os << s.arg;
}

class SetResolves : public testing::TestWithParam<NamedSetting> {};

TEST_P(SetResolves, ToTheControlAndState) {
    const ParseResult result = Parse({"--set", GetParam().arg, "x.wav"});
    ASSERT_EQ(result.status, ParseStatus::Render) << result.error;
    ASSERT_EQ(result.options.settings.size(), 1u);
    EXPECT_EQ(result.options.settings[0].id, GetParam().id);
    EXPECT_EQ(result.options.settings[0].state, GetParam().state);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SetResolves,
    testing::Values(NamedSetting{"Frequency Setting=500", id::kFrequencySetting, 500},
                    NamedSetting{"Master Volume=800", id::kMasterVolume, 800},
                    NamedSetting{"master  volume = 0", id::kMasterVolume, 0},
                    NamedSetting{"Frq=900", id::kFrq, 900}, NamedSetting{"Frq=5000", id::kFrq, 5000},
                    NamedSetting{"X1 Barrier=0", id::kX1Barrier, 0},
                    NamedSetting{"Y2 Barrier=100", id::kY2Barrier, 100},
                    NamedSetting{"X1 Primary Step Size=20", id::kX1StepSize, 20},
                    NamedSetting{"Secondary Barrier=600", id::kSecondaryBarrier, 600},
                    NamedSetting{"Logistic", id::kLogistic, 1}, NamedSetting{"SOnLimits", id::kSOnLimits, 1},
                    NamedSetting{"PriC", id::kPriC, 1}, NamedSetting{"X1 Negative", id::kX1Negative, 1},
                    NamedSetting{"X1 On", id::kX1On, 1}, NamedSetting{"Y2 On=1", id::kY2On, 1},
                    NamedSetting{"X2 On=0", id::kX2On, 0}));

struct BadInput {
    std::vector<std::string_view> args;
    std::string_view message; // a part of the one-line error
};

void PrintTo(const BadInput& b, std::ostream* os) {
    for (std::string_view arg : b.args) {
        *os << arg << ' ';
    }
}

class RejectsBadInput : public testing::TestWithParam<BadInput> {};

TEST_P(RejectsBadInput, WithOneLineMessage) {
    const ParseResult result = ParseRenderOptions(GetParam().args);
    ASSERT_EQ(result.status, ParseStatus::Error);
    EXPECT_NE(result.error.find(GetParam().message), std::string::npos) << result.error;
    EXPECT_EQ(result.error.find('\n'), std::string::npos) << result.error;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RejectsBadInput,
    testing::Values(BadInput{{"--loud", "x.wav"}, "unknown option \"--loud\""},
                    BadInput{{"x.wav", "--seconds"}, "--seconds needs a value"},
                    BadInput{{"x.wav", "--set"}, "--set needs a value"},
                    BadInput{{"--seconds", "0", "x.wav"}, "greater than 0"},
                    BadInput{{"--seconds", "-2", "x.wav"}, "greater than 0"},
                    BadInput{{"--seconds", "3600.5", "x.wav"}, "at most 3600"},
                    BadInput{{"--seconds", "ten", "x.wav"}, "not a number"},
                    BadInput{{"--seconds", "nan", "x.wav"}, "not a number"},
                    BadInput{{"--seconds", "2s", "x.wav"}, "not a number"},
                    BadInput{{"--seconds", "1e-9", "x.wav"}, "shorter than one sample"},
                    BadInput{{"--seed", "-1", "x.wav"}, "--seed \"-1\" is not a whole number"},
                    BadInput{{"--seed", "18446744073709551616", "x.wav"}, "not a whole number"},
                    BadInput{{"--set", "Frequency=500", "x.wav"}, "unknown control \"Frequency\""},
                    BadInput{{"--set", "Barrier=5", "x.wav"}, "unknown control \"Barrier\""},
                    BadInput{{"--set", "Frq", "x.wav"}, "\"Frq\" needs a value in 20..5000"},
                    BadInput{{"--set", "Frq=19", "x.wav"}, "outside 20..5000"},
                    BadInput{{"--set", "Frq=5001", "x.wav"}, "outside 20..5000"},
                    BadInput{{"--set", "Frq=900.5", "x.wav"}, "not a whole number"},
                    BadInput{{"--set", "Master Volume=", "x.wav"}, "not a whole number"},
                    BadInput{{"--set", "Logistic=0", "x.wav"}, "takes no value"},
                    BadInput{{"--set", "X1 Negative=2", "x.wav"}, "takes 0 or 1"},
                    BadInput{{"--set", "Play", "x.wav"}, "\"Play\" cannot be set"},
                    BadInput{{"--seconds", "2"}, "no output file"},
                    BadInput{{"a.wav", "b.wav"}, "more than one output file"}));

} // namespace
} // namespace vortane
