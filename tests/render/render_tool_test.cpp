// Runs the built vortane-render as a child process, as a user or a script would.
#include <cmath>
#include <string>
#include <vector>

#include "tests/render/render_tool_fixture.h"

namespace vortane {
namespace {

namespace fs = std::filesystem;

double Rms(const std::vector<float>& samples) {
    double sum = 0.0;
    for (float s : samples) {
        sum += static_cast<double>(s) * s;
    }
    return samples.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

TEST_F(RenderTool, TwoSecondsAreAudibleFiniteMonoFloat) {
    const std::vector<float> samples = Render("default.wav", {"--seconds", "2", "--seed", "7"});
    EXPECT_EQ(info_.samplerate, 44100);
    EXPECT_EQ(info_.channels, 1);
    EXPECT_EQ(info_.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_EQ(samples.size(), 88200u);
    for (float s : samples) {
        ASSERT_TRUE(std::isfinite(s));
    }
    EXPECT_GT(Rms(samples), 0.02);
}

TEST_F(RenderTool, SameSeedSameBytesOtherSeedOtherBytes) {
    auto render = [&](const std::string& name, const char* seed) {
        EXPECT_EQ(Run({"--seconds", "1", "--set", "X1 On", "--set", "Y2 On", "--seed", seed, "@/" + name})
                      .exit_code,
                  0);
        return ReadBytes(dir_ / name);
    };
    const std::string first = render("a.wav", "42");
    ASSERT_GT(first.size(), 44100u * 4);
    EXPECT_TRUE(first == render("b.wav", "42")) << "one seed gave two different files";
    EXPECT_FALSE(first == render("c.wav", "43")) << "two seeds gave the same file";
}

// --set runs the same derivation as a user's move, whatever the letter case of the name.
TEST_F(RenderTool, SetActsAsTheUsersMove) {
    for (float s : Render("silent.wav", {"--seconds", "0.5", "--seed", "3", "--set", "Master Volume=0"})) {
        ASSERT_EQ(s, 0.0f);
    }
    const double rms_default = Rms(Render("default.wav", {"--seconds", "0.5", "--seed", "3"}));
    const std::vector<float> louder =
        Render("louder.wav", {"--seconds", "0.5", "--seed", "3", "--set", "master volume=800"});
    EXPECT_GT(Rms(louder), rms_default * 1.3);
}

// One case per class of bad input: exit code 2, one short line on stderr (a pasted page of a value
// is cut), and neither the output nor a temporary file left behind.
TEST_F(RenderTool, BadInputExitsTwoWithOneLineAndNoFile) {
    const std::string page(60000, '0');
    const std::vector<std::vector<std::string>> kCases = {
        {"--set", "Frq=" + page + "6000", "@/x.wav"}, // out of range, and long
        {"--seconds", page + "x", "@/x.wav"},         // not a number, and long
        {"--set", "Frequency=500", "@/x.wav"},        // unknown control name
        {"--set", "Master Volume=loud", "@/x.wav"},   // not a number
        {"@/missing/x.wav"},                          // unwritable path
        {"--seconds", "0", "@/x.wav"},                // zero duration
        {"--volume", "2", "@/x.wav"},                 // unknown option
        {"@/x.wav", "--seed"},                        // missing value
    };
    for (const std::vector<std::string>& args : kCases) {
        const RunResult result = Run(args);
        const std::string shown = result.output.substr(0, 300);
        EXPECT_EQ(result.exit_code, 2) << shown;
        EXPECT_TRUE(result.output.starts_with("vortane-render: ")) << shown;
        EXPECT_EQ(result.Lines(), 1) << shown;
        EXPECT_LT(result.output.size(), 200u) << shown;
        EXPECT_TRUE(fs::is_empty(dir_)) << shown;
    }
}

} // namespace
} // namespace vortane
