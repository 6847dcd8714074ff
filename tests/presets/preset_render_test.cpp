// vortane-render --preset, run as a child process as a user or a script would.
#include "render_tool_fixture.h"

namespace vortane {
namespace {

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
    EXPECT_FALSE(RenderBytes("reseeded.wav", {"--preset", "@/rich.vpreset", "--seed", "78"}) == with_sets)
        << "--seed must override the preset's seed";
    // --set overrides the preset wherever it stands on the line.
    EXPECT_TRUE(RenderBytes("a.wav", {"--preset", "@/rich.vpreset", "--set", "Res=10"}) ==
                RenderBytes("b.wav", {"--set", "Res=10", "--preset", "@/rich.vpreset"}));
    EXPECT_FALSE(RenderBytes("c.wav", {"--preset", "@/rich.vpreset", "--set", "Res=10"}) == with_sets);
}

} // namespace
} // namespace vortane
