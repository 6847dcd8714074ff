// Runs the built vortane-render as a child process, as a user or a script would.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
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

// One case per class of bad input: exit code 2, one short line on stderr that names the fault (a
// pasted page of a value is cut), and neither the output nor a temporary file left behind.
TEST_F(RenderTool, BadInputExitsTwoWithOneLineAndNoFile) {
    std::ofstream(dir_ / "bad.vpreset") << "Vortane preset 1\n\nRes = 101\n";
    std::ofstream(dir_ / "short.scl") << "three steps\n3\n100.0\n200.0\n";
    const fs::path cut = WriteMidiFile("cut.mid", {{0, {0x90, 60, 100}}});
    fs::resize_file(cut, fs::file_size(cut) - 6);
    const std::string page(60000, '0');
    const std::vector<std::pair<std::vector<std::string>, std::string>> kCases = {
        // a page of a value, out of range or not a number
        {{"--set", "Frq=" + page + "6000", "@/x.wav"}, "\"Frq\" value 6000 is outside 20..5000"},
        {{"--seconds", page + "x", "@/x.wav"}, "...000000000000000x\" is not a number"},
        {{"--set", "Frequency=500", "@/x.wav"}, "unknown control \"Frequency\""},
        {{"--set", "Master Volume=loud", "@/x.wav"}, "\"loud\" is not a whole number"},
        {{"@/missing/x.wav"}, "x.wav\": No such file or directory"},
        {{"--seconds", "0", "@/x.wav"}, "--seconds must be greater than 0"},
        {{"--volume", "2", "@/x.wav"}, "unknown option \"--volume\""},
        {{"@/x.wav", "--seed"}, "--seed needs a value"},
        {{"--midi", "@/cut.mid", "@/x.wav"}, "cut.mid\": track 1"},
        {{"--preset", "@/bad.vpreset", "@/x.wav"}, "line 3: \"Res\" value 101 is outside 0..100"},
        {{"--preset", "No Such Sound", "@/x.wav"}, "no preset named \"No Such Sound\""},
        {{"--preset", "@/bad.vpreset", "--preset", "@/bad.vpreset", "@/x.wav"}, "more than one --preset"},
        {{"--tuning", "@/short.scl", "@/x.wav"}, "short.scl\" line 2"},
    };
    for (const auto& [args, reason] : kCases) {
        const RunResult result = Run(args);
        const std::string shown = result.output.substr(0, 300);
        EXPECT_EQ(result.exit_code, 2) << shown;
        EXPECT_TRUE(result.output.starts_with("vortane-render: ")) << shown;
        EXPECT_NE(result.output.find(reason), std::string::npos) << shown;
        EXPECT_EQ(result.Lines(), 1) << shown;
        EXPECT_LT(result.output.size(), 200u) << shown;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 3) << shown; // the three bad files
    }
}

double Mean(const std::vector<float>& samples) {
    double sum = 0.0;
    for (float s : samples) {
        sum += s;
    }
    return sum / static_cast<double>(samples.size());
}

// A MIDI file plays each note at its pitch until the last has died away; Keyboard=Gate plays it on
// the one voice's gate instead.
TEST_F(RenderTool, MidiFilePlaysUntilItsLastNoteHasDiedAway) {
    const std::string notes = WriteMidiFile(
        "chord.mid",
        {{0, {0x90, 60, 100}}, {480, {0x90, 64, 100}}, {960, {0x80, 60, 0}}, {960, {0x80, 64, 0}}});
    const std::vector<std::string> args = {"--midi", notes, "--seed", "5", "--set", "Release=200"};
    auto with = [&](std::vector<std::string> more) {
        more.insert(more.begin(), args.begin(), args.end());
        return more;
    };
    const std::vector<float> pitch = Render("pitch.wav", args);
    EXPECT_GT(pitch.size(), 44100u + 8820u);  // the release's 200 ms run past the file's second
    EXPECT_LT(pitch.size(), 44100u + 44100u); // and then it stops
    EXPECT_GT(Rms(std::vector<float>(pitch.begin(), pitch.begin() + 44100)), 0.01);
    const std::vector<float> gate = Render("gate.wav", with({"--set", "Keyboard=Gate", "--seconds", "2"}));
    EXPECT_GT(Rms(std::vector<float>(gate.begin(), gate.begin() + 44100)), 0.01);
    EXPECT_TRUE(std::all_of(gate.begin() + 44100 + 64, gate.end(), [](float s) { return s == 0.0f; }));
}

// --preset sets the file's values and seed (every value, as the plugins and the window set them:
// tests/presets); --seed overrides its seed and --set its values, wherever they stand on the line.
TEST_F(RenderTool, PresetsValuesAndSeedActAndTheOptionsOverrideThem) {
    std::ofstream(dir_ / "p.vpreset")
        << "Vortane preset 1\nFrequency Barriers = SRandom\nRes = 80\nSeed = 77\n";
    const auto bytes = [&](std::vector<std::string> args) {
        args.insert(args.end(), {"--seconds", "1"});
        Render("x.wav", args);
        return ReadBytes(dir_ / "x.wav");
    };
    const std::string preset = bytes({"--preset", "@/p.vpreset"});
    ASSERT_GT(preset.size(), 44100u * 4);
    EXPECT_TRUE(bytes({"--seed", "77", "--preset", "@/p.vpreset"}) == preset);
    EXPECT_FALSE(bytes({"--seed", "77"}) == preset) << "the preset's values did not act";
    EXPECT_FALSE(bytes({"--preset", "@/p.vpreset", "--seed", "78"}) == preset) << "--seed did not override";
    const std::string set = bytes({"--preset", "@/p.vpreset", "--set", "smirror"}); // an option by its name
    EXPECT_FALSE(set == preset);
    EXPECT_TRUE(bytes({"--set", "SMirror", "--preset", "@/p.vpreset"}) == set);
}

// Every factory sound played from a keyboard has almost no offset: the DC blocker after the voices.
TEST_F(RenderTool, FactorySoundsPlayedInPitchModeCarryNoOffset) {
    const std::string held = WriteMidiFile("held.mid", {{0, {0x90, 48, 100}}});
    for (const auto& file : fs::directory_iterator(VORTANE_FACTORY_PRESET_SOURCE)) {
        const std::vector<float> x =
            Render("preset.wav", {"--midi", held, "--seconds", "10", "--seed", "1", "--preset", file.path()});
        EXPECT_LT(std::fabs(Mean(x)), 0.01 * Rms(x)) << file.path().filename();
    }
}

// Each key's pitch in a --pitch-log file (seconds,voice,key,Hz): the mean period of its lines.
std::map<int, double> KeyPitches(const fs::path& csv) {
    std::map<int, std::pair<double, int>> periods;
    std::ifstream log(csv);
    std::string line;
    std::getline(log, line); // the heading
    while (std::getline(log, line)) {
        double seconds = 0.0, hz = 0.0;
        int voice = 0, key = 0;
        char comma = 0;
        std::istringstream(line) >> seconds >> comma >> voice >> comma >> key >> comma >> hz;
        periods[key].first += 1.0 / hz;
        ++periods[key].second;
    }
    std::map<int, double> pitches;
    for (const auto& [key, sum] : periods) {
        pitches[key] = sum.second / sum.first;
    }
    return pitches;
}

// 19 equal steps: keys 60 to 79 one after another, each within 2 cents of 261.63 × 2^(k/19) at the
// narrowest width. A keyboard map alone puts A at 432 Hz and leaves the black keys silent. A preset
// brings its tuning: the factory sound on 19 steps plays what the scale file plays, not 12 steps.
TEST_F(RenderTool, TuningFilesSetWhereEachKeySounds) {
    std::vector<std::pair<int, std::vector<uint8_t>>> run;
    for (int key = 60; key <= 79; ++key) {
        run.push_back({(key - 60) * 480, {0x90, static_cast<uint8_t>(key), 100}});
        run.push_back({(key - 60) * 480 + 400, {0x80, static_cast<uint8_t>(key), 0}});
    }
    const std::vector<std::string> narrow = {"--seed", "9",         "--set", "Secondary Barrier=2",
                                             "--set",  "Release=20"};
    std::vector<std::string> args = {"--midi",      WriteMidiFile("run.mid", run),
                                     "--tuning",    VORTANE_FACTORY_SCALE_SOURCE "/19-equal.scl",
                                     "--pitch-log", "@/run.csv"};
    args.insert(args.end(), narrow.begin(), narrow.end());
    Render("run.wav", args);
    const std::map<int, double> pitches = KeyPitches(dir_ / "run.csv");
    ASSERT_EQ(pitches.size(), 20u);
    for (const auto& [key, hz] : pitches) {
        EXPECT_LE(std::fabs(1200.0 * std::log2(hz / (261.6255653 * std::exp2((key - 60) / 19.0)))), 2.0)
            << key;
    }

    std::ofstream(dir_ / "white.kbm") << "! white keys, A at 432 Hz\n12\n0\n127\n60\n69\n432.0\n12\n"
                                      << "0\nx\n2\nx\n4\n5\nx\n7\nx\n9\nx\n11\n";
    const std::string black_then_a = WriteMidiFile(
        "a.mid", {{0, {0x90, 61, 100}}, {480, {0x80, 61, 0}}, {480, {0x90, 69, 100}}, {960, {0x80, 69, 0}}});
    args = {"--midi", black_then_a, "--keymap", "@/white.kbm", "--pitch-log", "@/a.csv"};
    args.insert(args.end(), narrow.begin(), narrow.end());
    const std::vector<float> a = Render("a.wav", args);
    EXPECT_TRUE(std::all_of(a.begin(), a.begin() + 22050, [](float s) { return s == 0.0f; }))
        << "an unmapped key plays nothing";
    const std::map<int, double> a_pitch = KeyPitches(dir_ / "a.csv");
    ASSERT_EQ(a_pitch.size(), 1u);
    EXPECT_LE(std::fabs(1200.0 * std::log2(a_pitch.at(69) / 432.0)), 2.0) << "cents from 432 Hz";

    std::ofstream(dir_ / "12.scl") << "twelve equal steps\n1\n100.0\n";
    const std::string chimes = VORTANE_FACTORY_PRESET_SOURCE "/nineteen-step-chimes.vpreset";
    Render("preset.wav", {"--midi", black_then_a, "--seed", "4", "--preset", chimes});
    Render("file.wav", {"--midi", black_then_a, "--seed", "4", "--preset", chimes, "--tuning",
                        VORTANE_FACTORY_SCALE_SOURCE "/19-equal.scl"});
    Render("equal.wav", {"--midi", black_then_a, "--seed", "4", "--preset", chimes, "--tuning", "@/12.scl"});
    EXPECT_EQ(ReadBytes(dir_ / "preset.wav"), ReadBytes(dir_ / "file.wav"));
    EXPECT_NE(ReadBytes(dir_ / "preset.wav"), ReadBytes(dir_ / "equal.wav"));
}

} // namespace
} // namespace vortane
