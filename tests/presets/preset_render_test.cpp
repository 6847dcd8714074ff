// vortane-render --preset, run as a child process as a user or a script would.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace vortane {
namespace {

namespace fs = std::filesystem;

// A preset far from the start-up state, with every kind of field and a seed.
constexpr const char* kRichPreset = "Vortane preset 1\n"
                                    "Frequency Setting = 420\n"
                                    "Distribution = Logistic\n"
                                    "Primary Step Barrier = 12\n"
                                    "Secondary Barrier = 150\n"
                                    "Primary Barrier Behaviour = PriR\n"
                                    "Secondary Barrier Behaviour = SRandom\n"
                                    "Frq = 2200\n"
                                    "Res = 80\n"
                                    "X1 Max = 110\n"
                                    "Y2 = 130\n"
                                    "X1 On = 1\n"
                                    "Y2 Barrier = 70\n"
                                    "Y2 On = 1\n"
                                    "Seed = 77\n";

// The same state as --set options: every control, the left-out ones at their initial state.
const std::vector<std::string> kRichSettings = {"Frequency Setting=420",
                                                "Logistic",
                                                "Primary Step Size=100",
                                                "Probability Width=3",
                                                "Primary Step Barrier=12",
                                                "Secondary Barrier=150",
                                                "PriR",
                                                "SRandom",
                                                "Frq=2200",
                                                "Res=80",
                                                "Master Volume=400",
                                                "X1=50",
                                                "X1 Max=110",
                                                "Y1=5",
                                                "X2=75",
                                                "Y2=130",
                                                "X1 Primary Step Size=50",
                                                "X1 Barrier=30",
                                                "X1 Negative=0",
                                                "X1 On=1",
                                                "Y1 Primary Step Size=50",
                                                "Y1 Barrier=30",
                                                "Y1 Negative=0",
                                                "Y1 On=0",
                                                "X2 Primary Step Size=50",
                                                "X2 Barrier=30",
                                                "X2 Negative=0",
                                                "X2 On=0",
                                                "Y2 Primary Step Size=50",
                                                "Y2 Barrier=70",
                                                "Y2 Negative=0",
                                                "Y2 On=1"};

class PresetRender : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vortane-preset-render-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        std::ofstream(dir_ / "rich.vpreset") << kRichPreset;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the tool; "@" at the start of an argument stands for the test folder.
    int Run(std::vector<std::string> args, std::string* output = nullptr) const {
        std::string command = "'" VORTANE_RENDER_TOOL "'";
        for (const std::string& arg : args) {
            command += " '" + (arg.starts_with('@') ? dir_.string() + arg.substr(1) : arg) + "'";
        }
        FILE* pipe = popen((command + " 2>&1").c_str(), "r");
        char buffer[256];
        while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            if (output != nullptr) {
                *output += buffer;
            }
        }
        const int status = pipe != nullptr ? pclose(pipe) : -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The bytes of a one-second render with the given arguments.
    std::string Render(const std::string& name, std::vector<std::string> args) const {
        args.insert(args.end(), {"--seconds", "1", "@/" + name});
        std::string output;
        EXPECT_EQ(Run(args, &output), 0) << output;
        std::ifstream in(dir_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path dir_;
};

TEST_F(PresetRender, PresetEqualsTheSameValuesAsSetOptionsByteForByte) {
    std::vector<std::string> set_args = {"--seed", "77"};
    for (const std::string& setting : kRichSettings) {
        set_args.insert(set_args.end(), {"--set", setting});
    }
    const std::string with_sets = Render("sets.wav", set_args);
    ASSERT_GT(with_sets.size(), 44100u * 4);
    EXPECT_TRUE(Render("preset.wav", {"--preset", "@/rich.vpreset"}) == with_sets)
        << "the preset's own seed or values did not act";
    // The group names work for --set too.
    set_args.insert(set_args.end(),
                    {"--set", "Distribution=Logistic", "--set", "secondary barrier behaviour=SRandom"});
    EXPECT_TRUE(Render("groups.wav", set_args) == with_sets);
    EXPECT_FALSE(Render("reseeded.wav", {"--preset", "@/rich.vpreset", "--seed", "78"}) == with_sets)
        << "--seed must override the preset's seed";
}

TEST_F(PresetRender, SetOptionsOverrideThePresetWhereverTheyStand) {
    const std::string silent_after =
        Render("a.wav", {"--preset", "@/rich.vpreset", "--set", "Master Volume=0"});
    const std::string silent_before =
        Render("b.wav", {"--set", "Master Volume=0", "--preset", "@/rich.vpreset"});
    EXPECT_TRUE(silent_after == silent_before);
    // A silent float WAV is its header and zero bytes.
    const size_t data = silent_after.size() - 44100 * 4;
    EXPECT_TRUE(std::all_of(silent_after.begin() + static_cast<long>(data), silent_after.end(),
                            [](char c) { return c == 0; }));
}

TEST_F(PresetRender, FactoryPresetByNameWithoutItsPath) {
    const fs::path file = fs::path(VORTANE_FACTORY_PRESET_SOURCE) / "falling-sirens.vpreset";
    ASSERT_TRUE(fs::exists(file));
    const std::string by_path = Render("path.wav", {"--seed", "3", "--preset", file.string()});
    EXPECT_TRUE(Render("name.wav", {"--seed", "3", "--preset", "Falling Sirens"}) == by_path);
    EXPECT_FALSE(Render("default.wav", {"--seed", "3"}) == by_path);
}

// Exit 2 with one line that names the fault, and no output file.
TEST_F(PresetRender, BadPresetsExitTwoWithTheReasonAndNoFile) {
    std::string big = "Vortane preset 1\n";
    big.resize(10 * 1024 * 1024, '#');
    const std::pair<std::string, std::string> kFiles[] = {
        {"Vortane preset 1\nFrequency = 5\n", "line 2: unknown name \"Frequency\""},
        {"Vortane preset 1\nRes = 101\n", "line 2: \"Res\" value 101 is outside 0..100"},
        {"Vortane preset 1\n\nRes = high\n", "line 3: \"Res\" value \"high\" is not a whole number"},
        {"Res = 10\n", "line 1: not a Vortane preset"},
        {std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "line 2: binary data"},
        {"", "the file is empty"},
        {big, "is larger than 64 KiB"},
    };
    int n = 0;
    for (const auto& [text, message] : kFiles) {
        const std::string name = "bad" + std::to_string(n++) + ".vpreset";
        std::ofstream(dir_ / name, std::ios::binary) << text;
        std::string output;
        EXPECT_EQ(Run({"--preset", "@/" + name, "@/x.wav"}, &output), 2) << message;
        EXPECT_NE(output.find(message), std::string::npos) << output;
        EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
        EXPECT_FALSE(fs::exists(dir_ / "x.wav"));
    }
    fs::create_directory(dir_ / "folder");
    for (const auto& [arg, message] : {std::pair<std::string, std::string>{"@/folder", "is a folder"},
                                       {"No Such Sound", "no preset file or factory preset named"}}) {
        std::string output;
        EXPECT_EQ(Run({"--preset", arg, "@/x.wav"}, &output), 2) << arg;
        EXPECT_NE(output.find(message), std::string::npos) << output;
    }
    std::string output;
    EXPECT_EQ(Run({"--preset", "@/rich.vpreset", "--preset", "@/rich.vpreset", "@/x.wav"}, &output), 2);
    EXPECT_FALSE(fs::exists(dir_ / "x.wav"));
}

} // namespace
} // namespace vortane
