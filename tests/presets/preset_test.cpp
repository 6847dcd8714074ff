// The preset format: its fields against the control table, text and file round trips, the refusal
// of bad files, the folders, and applying a preset to an engine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#include "engine/control_events.h"
#include "engine/control_table.h"
#include "engine/engine.h"
#include "presets/preset_apply.h"
#include "presets/preset_file.h"
#include "presets/preset_folders.h"

namespace vortane {
namespace {

namespace fs = std::filesystem;

class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/vortane-preset-test-XXXXXX";
        path_ = mkdtemp(pattern) != nullptr ? fs::path(pattern) : fs::path();
    }
    ~TempFolder() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }
    fs::path Write(const std::string& name, const std::string& text) const {
        std::ofstream(path_ / name, std::ios::binary) << text;
        return path_ / name;
    }

private:
    fs::path path_;
};

// Every field in range, options and a seed drawn from a fixed generator.
Preset RandomPreset(uint32_t seed) {
    std::mt19937 random(seed);
    Preset preset = DefaultPreset();
    for (size_t i = 0; i < PresetFields().size(); ++i) {
        const PresetField& field = PresetFields()[i];
        if (field.kind == FieldKind::Group) {
            const auto options = OptionGroupMembers(field.control);
            preset.settings[i].id = options[random() % options.size()];
        } else {
            const ControlInfo& c = *FindControl(field.control);
            preset.settings[i].state = c.minimum + static_cast<int>(random() % (c.maximum - c.minimum + 1));
        }
    }
    preset.seed = (uint64_t{random()} << 32) | random();
    return preset;
}

TEST(PresetFields, CoverEverySoundControlOnceByItsRenderName) {
    std::set<int> covered;
    std::set<int> groups;
    for (const PresetField& field : PresetFields()) {
        SCOPED_TRACE(std::string(field.name));
        if (field.kind == FieldKind::Group) {
            groups.insert(field.control);
            EXPECT_EQ(FindControlByName(field.name), nullptr) << "a group name hides a control";
            continue;
        }
        const ControlInfo* control = FindControlByName(field.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->id, field.control);
        EXPECT_EQ(field.kind == FieldKind::Slider, IsSlider(control->kind));
        EXPECT_TRUE(covered.insert(field.control).second) << "listed twice";
    }
    for (const ControlInfo& c : MainWindowControls()) {
        if (IsSlider(c.kind) || c.kind == ControlKind::Check) {
            EXPECT_TRUE(covered.count(c.id)) << c.name << " is missing from presets";
        }
    }
    EXPECT_EQ(groups, (std::set<int>{0, 1, 2}));
}

TEST(PresetText, RoundTripsThroughTextAndFile) {
    TempFolder folder;
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        const Preset preset = RandomPreset(seed);
        const PresetParse parsed = ParsePresetText(PresetText(preset));
        ASSERT_TRUE(parsed.preset) << parsed.error;
        EXPECT_EQ(*parsed.preset, preset);
    }
    // Saving creates the missing folders and replaces an earlier file whole.
    const fs::path path = folder.path() / "new" / "deeper" / "mine.vpreset";
    std::string error;
    ASSERT_TRUE(SavePresetFile(path, RandomPreset(99), error)) << error;
    ASSERT_TRUE(SavePresetFile(path, RandomPreset(7), error)) << error;
    const PresetParse loaded = LoadPresetFile(path);
    ASSERT_TRUE(loaded.preset) << loaded.error;
    EXPECT_EQ(*loaded.preset, RandomPreset(7));
    EXPECT_EQ(std::distance(fs::directory_iterator(path.parent_path()), fs::directory_iterator()), 1)
        << "a temporary file was left behind";
    EXPECT_FALSE(SavePresetFile(folder.path() / "new", RandomPreset(7), error)) << "wrote over a folder";
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
}

TEST(PresetText, ReadsWhatAPersonWrites) {
    const PresetParse parsed = ParsePresetText("\xEF\xBB\xBFVortane preset 1\r\n"
                                               "# a comment\r\n"
                                               "\r\n"
                                               "  frequency   setting=420  \r\n"
                                               "DISTRIBUTION = arcsin\r\n"
                                               "X1 On = 1\r\n"
                                               "seed = 18446744073709551615");
    ASSERT_TRUE(parsed.preset) << parsed.error;
    Preset expected = DefaultPreset();
    expected.settings[0].state = 420;
    expected.settings[1].id = id::kArcSin;
    expected.settings[static_cast<size_t>(FindPresetField("X1 On"))].state = 1;
    expected.seed = 18446744073709551615u;
    EXPECT_EQ(*parsed.preset, expected) << "left-out controls must take their initial states";
}

TEST(PresetText, LaterVersionSkipsUnknownNamesButStillChecksKnownOnes) {
    const PresetParse later = ParsePresetText("Vortane preset 2\nFrq = 900\nShimmer = 0.5\n");
    ASSERT_TRUE(later.preset) << later.error;
    EXPECT_EQ(later.preset->settings[static_cast<size_t>(FindPresetField("Frq"))].state, 900);
    EXPECT_FALSE(ParsePresetText("Vortane preset 2\nFrq = 9000\n").preset);
    EXPECT_FALSE(ParsePresetText("Vortane preset 1\nShimmer = 0.5\n").preset);
}

// Each bad file is refused as a whole with a message that names the fault and, where there is
// one, the line.
TEST(PresetText, RefusesBadFilesNamingTheLine) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case kCases[] = {
        {"Vortane preset 1\nFrq = 900\nFrequency = 500\n", "line 3: unknown name \"Frequency\""},
        {"Vortane preset 1\nFrq = 6000\n", "line 2: \"Frq\" value 6000 is outside 20..5000"},
        {"Vortane preset 1\nMaster Volume = loud\n",
         "line 2: \"Master Volume\" value \"loud\" is not a whole"},
        {"Vortane preset 1\nFrq = 900.5\n", "line 2: \"Frq\" value \"900.5\" is not a whole"},
        {"Vortane preset 1\nX1 On = 2\n", "line 2: \"X1 On\" takes 0 or 1"},
        {"Vortane preset 1\nDistribution = Gauss\n",
         "takes Cauchy, Logistic, Uniform or ArcSin, not \"Gauss\""},
        {"Vortane preset 1\nSeed = -1\n", "line 2: \"Seed\" value \"-1\" is not a whole number"},
        {"Vortane preset 1\nFrq = 900\n\nfrq = 800\n", "line 4: \"Frq\" is already set on line 2"},
        {"Vortane preset 1\nFrq 900\n", "line 2: expected \"Name = value\""},
        {"Vortane preset 1\n= 900\n", "line 2: expected \"Name = value\""},
        {"Vortane preset 1\nPlay = 1\n", "line 2: unknown name \"Play\""},
        {"Frq = 900\n", "line 1: not a Vortane preset"},
        {"Vortane preset 0\n", "line 1: not a Vortane preset"},
        {"Vortane presets 1\n", "line 1: not a Vortane preset"},
        {"Vortane preset 1\nFrq = 9\x01\x02\xff\n", "line 2: binary data"},
        {"", "the file is empty"},
        {" \n\r\n", "the file is empty"},
    };
    for (const Case& c : kCases) {
        const PresetParse parsed = ParsePresetText(c.text);
        EXPECT_FALSE(parsed.preset) << c.text;
        EXPECT_NE(parsed.error.find(c.message), std::string::npos) << c.text << " gave: " << parsed.error;
    }
    const PresetParse junk = ParsePresetText(std::string("\x7f"
                                                         "ELF\x02\x01\x01\0\0\0",
                                                         10));
    EXPECT_EQ(junk.error, "line 1: binary data: this is not a preset file");
}

TEST(PresetFile, RefusesWhatIsNoPresetFile) {
    TempFolder folder;
    std::string big = "Vortane preset 1\n";
    big.resize(10 * 1024 * 1024, '#');
    const std::pair<fs::path, const char*> kCases[] = {
        {folder.path(), "is a folder"},
        {folder.path() / "missing.vpreset", "cannot be read: No such file"},
        {folder.Write("big.vpreset", big), "is larger than 64 KiB"},
        {folder.Write("empty.vpreset", ""), "the file is empty"},
        {"/dev/null", "is not a regular file"},
    };
    for (const auto& [path, message] : kCases) {
        const PresetParse parsed = LoadPresetFile(path);
        EXPECT_FALSE(parsed.preset) << path;
        EXPECT_NE(parsed.error.find(message), std::string::npos) << path << " gave: " << parsed.error;
    }
}

TEST(PresetFolders, NamesResolveToFilesOfTheFirstFolderThatHasThem) {
    TempFolder first, second;
    first.Write("glass-siren.vpreset", "Vortane preset 1\n");
    first.Write("notes.txt", "");
    second.Write("glass-siren.vpreset", "Vortane preset 1\n");
    second.Write("low_hum.vpreset", "Vortane preset 1\n");
    const fs::path folders[] = {first.path(), second.path()};

    const std::vector<NamedPreset> listed = ListPresets(second.path());
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].name, "Glass Siren");
    EXPECT_EQ(listed[1].name, "Low Hum");
    EXPECT_EQ(ListPresets(first.path()).size(), 1u) << "only *.vpreset files are presets";
    EXPECT_TRUE(ListPresets(first.path() / "none").empty());

    for (const char* name : {"Glass Siren", "glass-siren", "GLASS  siren.vpreset"}) {
        EXPECT_EQ(ResolvePreset(name, folders), first.path() / "glass-siren.vpreset") << name;
    }
    EXPECT_EQ(ResolvePreset("low hum", folders), second.path() / "low_hum.vpreset");
    EXPECT_EQ(ResolvePreset("./elsewhere/x.vpreset", folders), fs::path("./elsewhere/x.vpreset"));
    EXPECT_FALSE(ResolvePreset("no such sound", folders));
    EXPECT_FALSE(ResolvePreset("", folders));
}

TEST(PresetFolders, UserFolderFollowsXdgDataHome) {
    const char* saved_data = std::getenv("XDG_DATA_HOME");
    const std::string saved = saved_data != nullptr ? saved_data : "";
    setenv("HOME", std::getenv("HOME") != nullptr ? std::getenv("HOME") : "/home/x", 1);
    const fs::path home = std::getenv("HOME");
    setenv("XDG_DATA_HOME", "/data/me", 1);
    EXPECT_EQ(UserPresetFolder(), fs::path("/data/me/vortane/presets"));
    setenv("XDG_DATA_HOME", "relative/path", 1); // not absolute: ignored
    EXPECT_EQ(UserPresetFolder(), home / ".local/share/vortane/presets");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(UserPresetFolder(), home / ".local/share/vortane/presets");
    if (saved_data != nullptr) {
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    }
}

TEST(PresetApply, MovesEveryControlAsTheUserWouldAndLeavesPlayAlone) {
    auto engine = std::make_unique<Engine>();
    PrepareAsAtStartup(*engine);
    Put(engine->state.play_state, 1);
    Put(engine->state.output_gate, 1);
    Put(engine->state.y1, 0.33f); // as a Y1 walk leaves it, while the slider stays at 5

    Preset preset = RandomPreset(5);
    preset.settings[static_cast<size_t>(FindPresetField("Y1"))].state = 5;
    ApplyPreset(preset, *engine);

    Preset captured = CapturePreset(engine->panel);
    captured.seed = preset.seed;
    EXPECT_EQ(captured, preset);
    // Unchanged states still run their event: Y1 now follows its slider.
    EXPECT_EQ(Get(engine->state.y1), 0.05f);
    EXPECT_EQ(Get(engine->state.play_state), 1);
    EXPECT_EQ(Get(engine->state.output_gate), 1);
}

TEST(FactoryPresets, TenToSixteenThatAllLoad) {
    const std::vector<NamedPreset> presets = ListPresets(VORTANE_FACTORY_PRESET_SOURCE);
    EXPECT_GE(presets.size(), 10u);
    EXPECT_LE(presets.size(), 16u);
    std::vector<Preset> loaded;
    for (const NamedPreset& p : presets) {
        const PresetParse parsed = LoadPresetFile(p.path);
        ASSERT_TRUE(parsed.preset) << p.path << ": " << parsed.error;
        EXPECT_NE(*parsed.preset, DefaultPreset()) << p.name;
        EXPECT_EQ(std::count(loaded.begin(), loaded.end(), *parsed.preset), 0) << p.name << " repeats";
        loaded.push_back(*parsed.preset);
    }
}

} // namespace
} // namespace vortane
