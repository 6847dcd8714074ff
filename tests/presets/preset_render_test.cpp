// vortane-render --preset, run as a child process as a user or a script would.
#include "render_tool_fixture.h"

namespace vortane {
namespace {

namespace fs = std::filesystem;

// A preset far from the start-up state, with every kind of field and a seed.
constexpr const char* kRichPreset = "Vortane preset 1\n"
                                    "Frequency Setting = 420\n"
                                    "Frequency Probability Distribution = Logistic\n"
                                    "Primary Step Barrier = 12\n"
                                    "Secondary Barrier = 150\n"
                                    "Frequency Barriers Walk = PriR\n"
                                    "Frequency Barriers = SRandom\n"
                                    "Frq = 2200\n"
                                    "Res = 80\n"
                                    "X1 Max = 110\n"
                                    "Y2 = 130\n"
                                    "X1 On = 1\n"
                                    "Y2 Barrier = 70\n"
                                    "Y2 On = 1\n"
                                    "Seed = 77\n";

// The same state as --set options: every control, the left-out ones at their initial state (a preset
// moves every control, so each one's event runs).
// clang-format off
const std::vector<std::string> kRichSettings = {
    "Frequency Setting=420", "Logistic", "Primary Step Size=100", "Probability Width=3",
    "Primary Step Barrier=12", "Secondary Barrier=150", "PriR", "SRandom", "Frq=2200", "Res=80",
    "Master Volume=400", "X1=50", "X1 Max=110", "Y1=5", "X2=75", "Y2=130",
    "X1 Primary Step Size=50", "X1 Barrier=30", "X1 Negative=0", "X1 On=1",
    "Y1 Primary Step Size=50", "Y1 Barrier=30", "Y1 Negative=0", "Y1 On=0",
    "X2 Primary Step Size=50", "X2 Barrier=30", "X2 Negative=0", "X2 On=0",
    "Y2 Primary Step Size=50", "Y2 Barrier=70", "Y2 Negative=0", "Y2 On=1"};
// clang-format on

class PresetRender : public RenderTool {
protected:
    void SetUp() override {
        RenderTool::SetUp();
        std::ofstream(dir_ / "rich.vpreset") << kRichPreset;
    }
    // The bytes of a one-second render with the given arguments.
    std::string RenderBytes(const std::string& name, std::vector<std::string> args) {
        args.insert(args.end(), {"--seconds", "1"});
        Render(name, args);
        return ReadBytes(dir_ / name);
    }
};

TEST_F(PresetRender, PresetEqualsTheSameValuesAsSetOptionsByteForByte) {
    std::vector<std::string> set_args = {"--seed", "77"};
    for (const std::string& setting : kRichSettings) {
        set_args.insert(set_args.end(), {"--set", setting});
    }
    const std::string with_sets = RenderBytes("sets.wav", set_args);
    ASSERT_GT(with_sets.size(), 44100u * 4);
    EXPECT_TRUE(RenderBytes("preset.wav", {"--preset", "@/rich.vpreset"}) == with_sets)
        << "the preset's own seed or values did not act";
    // The group names work for --set too.
    set_args.insert(set_args.end(), {"--set", "Frequency Probability Distribution=Logistic", "--set",
                                     "frequency barriers=SRandom"});
    EXPECT_TRUE(RenderBytes("groups.wav", set_args) == with_sets);
    EXPECT_FALSE(RenderBytes("reseeded.wav", {"--preset", "@/rich.vpreset", "--seed", "78"}) == with_sets)
        << "--seed must override the preset's seed";
    // --set overrides the preset wherever it stands on the line.
    EXPECT_TRUE(RenderBytes("a.wav", {"--preset", "@/rich.vpreset", "--set", "Res=10"}) ==
                RenderBytes("b.wav", {"--set", "Res=10", "--preset", "@/rich.vpreset"}));
    EXPECT_FALSE(RenderBytes("c.wav", {"--preset", "@/rich.vpreset", "--set", "Res=10"}) == with_sets);
}

// A bare name is a preset's name only.
TEST_F(PresetRender, FactoryPresetByNameWithoutItsPath) {
    const fs::path file = fs::path(VORTANE_FACTORY_PRESET_SOURCE) / "falling-sirens.vpreset";
    ASSERT_TRUE(fs::exists(file));
    const std::string by_path = RenderBytes("path.wav", {"--seed", "3", "--preset", file.string()});
    // A file or folder of the current folder named like it does not shadow it.
    fs::create_directory(dir_ / "Falling Sirens");
    std::ofstream(dir_ / "falling-sirens.vpreset") << "not a preset";
    for (const char* name : {"Falling Sirens", "falling-sirens.vpreset"}) {
        const RunResult result = Run({"--seed", "3", "--seconds", "1", "--preset", name, "name.wav"},
                                     "cd '" + dir_.string() + "' && ");
        EXPECT_EQ(result.exit_code, 0) << result.output;
        EXPECT_TRUE(ReadBytes(dir_ / "name.wav") == by_path) << name;
    }
    EXPECT_FALSE(RenderBytes("default.wav", {"--seed", "3"}) == by_path);
}

// Exit 2 with one line that names the fault, and no output file. (The preset tests go through
// every kind of refused text; here one of each source of failure.)
TEST_F(PresetRender, BadPresetsExitTwoWithTheReasonAndNoFile) {
    std::ofstream(dir_ / "bad.vpreset") << "Vortane preset 1\n\nRes = 101\n";
    const std::pair<std::vector<std::string>, std::string> kCases[] = {
        {{"--preset", "@/bad.vpreset"}, "line 3: \"Res\" value 101 is outside 0..100"},
        {{"--preset", "No Such Sound"}, "no preset named \"No Such Sound\""},
        {{"--preset", "@/bad.vpreset", "--preset", "@/rich.vpreset"}, "more than one --preset"},
    };
    for (auto [args, message] : kCases) {
        args.push_back("@/x.wav");
        const RunResult result = Run(args);
        EXPECT_EQ(result.exit_code, 2) << message;
        EXPECT_NE(result.output.find(message), std::string::npos) << result.output;
        EXPECT_EQ(result.Lines(), 1) << result.output;
        EXPECT_FALSE(fs::exists(dir_ / "x.wav"));
    }
}

} // namespace
} // namespace vortane
