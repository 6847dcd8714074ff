// The preset format: text and file round trips, the refusal of bad files, the folders, and
// applying a preset to the parameters.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>

#include "control/derivation.h"
#include "control/synth.h"
#include "presets/preset_file.h"
#include "presets/preset_folders.h"

namespace vortane {
namespace {

namespace fs = std::filesystem;

struct TempFolder {
    TempFolder() {
        char pattern[] = "/tmp/vortane-preset-test-XXXXXX";
        path = mkdtemp(pattern) != nullptr ? fs::path(pattern) : fs::path();
    }
    ~TempFolder() { fs::remove_all(path); }
    fs::path Write(const std::string& name, const std::string& text) const {
        std::ofstream(path / name, std::ios::binary) << text;
        return path / name;
    }
    fs::path path;
};

// Every value in range and a seed, drawn from a fixed generator.
Preset RandomPreset(uint32_t seed) {
    std::mt19937 random(seed);
    Preset preset;
    for (const ParamSpec& spec : Params()) {
        preset[spec.id] = spec.minimum + static_cast<int>(random() % (spec.maximum - spec.minimum + 1));
    }
    preset.named = random() % 2 == 0 ? ParamBit(ParamId::Keyboard) : 0; // named, or at its default
    preset[ParamId::Keyboard] = preset.named != 0 ? preset[ParamId::Keyboard] : 0;
    preset.seed = (uint64_t{random()} << 32) | random();
    return preset;
}

TEST(PresetText, RoundTripsThroughText) {
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        const PresetParse parsed = ParsePresetText(PresetText(RandomPreset(seed)));
        ASSERT_TRUE(parsed.preset) << parsed.error;
        EXPECT_EQ(*parsed.preset, RandomPreset(seed));
    }
}

// Saving goes through the one file write every writer uses (base/files.h), whose policy is tested
// here: a chain of symbolic links stays and the file at its end gets the preset, even one not made
// yet; a private file keeps its mode; a file with a second name is filled in place; a new file gets
// 0666 less the umask; a 240-character name works. A folder is refused, and so is a name whose '/'
// leads to folders that do not exist, rather than making them.
TEST(PresetText, SaveKeepsLinksModesAndNamesAndMakesNoFolders) {
    TempFolder folder;
    const fs::path& d = folder.path;
    const fs::path target = folder.Write("target.vpreset", "old");
    chmod(target.c_str(), 0600);
    fs::create_symlink("target.vpreset", d / "link1");
    fs::create_symlink("link1", d / "link2.vpreset");
    fs::create_symlink("new.vpreset", d / "dangling.vpreset");
    fs::create_hard_link(folder.Write("a.vpreset", "old"), d / "b.vpreset");
    const std::string long_name = std::string(240, 'n') + ".vpreset";
    const mode_t umask_before = umask(027);
    for (const std::string& name : {std::string("link2.vpreset"), std::string("dangling.vpreset"),
                                    std::string("a.vpreset"), long_name}) {
        std::string error;
        EXPECT_TRUE(SavePresetFile(d / name, RandomPreset(3), error)) << error;
    }
    umask(umask_before);
    EXPECT_TRUE(fs::is_symlink(d / "link1") && fs::is_symlink(d / "link2.vpreset"));
    EXPECT_TRUE(fs::is_symlink(d / "dangling.vpreset"));
    for (const std::string& name :
         {std::string("target.vpreset"), std::string("new.vpreset"), std::string("b.vpreset"), long_name}) {
        EXPECT_EQ(LoadPresetFile(d / name).preset, RandomPreset(3)) << name;
    }
    EXPECT_EQ(fs::status(target).permissions(), fs::perms(0600));
    EXPECT_EQ(fs::status(d / "new.vpreset").permissions(), fs::perms(0640));
    EXPECT_TRUE(fs::equivalent(d / "a.vpreset", d / "b.vpreset"));
    std::string error;
    EXPECT_FALSE(SavePresetFile(d, RandomPreset(3), error)) << "wrote over a folder";
    EXPECT_FALSE(SavePresetFile(d / "sub" / "name.vpreset", RandomPreset(3), error));
    EXPECT_NE(error.find("cannot contain \"/\""), std::string::npos) << error;
    EXPECT_EQ(std::distance(fs::directory_iterator(d), {}), 8) << "a folder or a temporary file was made";
}

// A hand-edited file: byte-order mark, CR LF, comments, spacing and letter case; left-out controls
// take their initial states; a later version's unknown names are skipped, its known values checked.
TEST(PresetText, ReadsWhatAPersonWritesAndWhatALaterVersionAdds) {
    const PresetParse parsed =
        ParsePresetText("\xEF\xBB\xBFVortane preset 2\r\n# a comment\r\n\r\n"
                        "  frequency   setting=420  \r\nFREQUENCY PROBABILITY DISTRIBUTION = arcsin\r\n"
                        "Shimmer = 0.5\r\nseed = 18446744073709551615");
    ASSERT_TRUE(parsed.preset) << parsed.error;
    Preset expected = DefaultPreset();
    expected[ParamId::FrequencySetting] = 420;
    expected[ParamId::Distribution] = 3;
    expected.seed = 18446744073709551615u;
    EXPECT_EQ(*parsed.preset, expected);
    EXPECT_FALSE(ParsePresetText("Vortane preset 2\nFrq = 9000\n").preset);
    EXPECT_FALSE(ParsePresetText("Vortane preset 1\nShimmer = 0.5\n").preset);
}

// Each bad text is refused whole, with a short message naming the fault and, where there is one, the
// line; a long value is cut. (Damaged texts in general are the fuzzer's: fuzz/preset_fuzz.cpp. What
// is no regular file is refused by the reader every small file goes through: tests/midi.)
TEST(PresetText, RefusesBadFilesNamingTheLine) {
    TempFolder folder;
    const std::pair<std::string, const char*> kTexts[] = {
        {"Vortane preset 1\nFrq = 900\nFrequency = 500\n", "line 3: unknown name \"Frequency\""},
        {"Vortane preset 1\nFrq = 6000\n", "line 2: \"Frq\" value 6000 is outside 20..5000"},
        {"Vortane preset 1\nX1 On = " + std::string(60000, 'x'), "takes 0 or 1, not \"xxx"},
    };
    for (size_t i = 0; i < std::size(kTexts); ++i) {
        const PresetParse parsed = LoadPresetFile(folder.Write(std::to_string(i), kTexts[i].first));
        EXPECT_FALSE(parsed.preset) << i;
        EXPECT_NE(parsed.error.find(kTexts[i].second), std::string::npos)
            << i << " gave: " << parsed.error.substr(0, 300);
        EXPECT_LT(parsed.error.size(), 200u) << "a long value is cut";
    }
}

// Factory presets come from every XDG_DATA_DIRS entry, the first folder winning a name; a bare name
// is only a preset's name, text with a '/' only a file. A folder that cannot be read is named as
// such. (The installed vortane-render finds the presets beside it by name: tests/packaging.)
TEST(PresetFolders, EveryDataFolderByNameOnly) {
    TempFolder first, second;
    const fs::path a = first.path / "vortane" / "presets", b = second.path / "vortane" / "presets";
    fs::create_directories(a);
    fs::create_directories(b);
    for (const fs::path& file :
         {a / "glass-siren.vpreset", a / "notes.txt", b / "glass-siren.vpreset", b / "low_hum.vpreset"}) {
        std::ofstream{file};
    }
    setenv("XDG_DATA_DIRS", (first.path.string() + ":relative:" + second.path.string()).c_str(), 1);
    const std::vector<fs::path> folders = FactoryPresetFolders();
    const std::vector<NamedPreset> listed = CollectPresets(folders).presets;
    ASSERT_EQ(listed.size(), 2u) << "only *.vpreset files are presets, the first of a name";
    EXPECT_EQ(listed[0].name, "Glass Siren");
    EXPECT_EQ(listed[1].name, "Low Hum");
    std::string error;
    for (const char* name : {"Glass Siren", "glass-siren", "GLASS  siren.vpreset"}) {
        EXPECT_EQ(ResolvePreset(name, folders, error), a / "glass-siren.vpreset") << name;
    }
    EXPECT_EQ(ResolvePreset("low hum", folders, error), b / "low_hum.vpreset") << error;
    const fs::path working = fs::current_path();
    fs::current_path(b); // a file of the current folder named like a preset does not shadow it
    EXPECT_EQ(ResolvePreset("glass-siren.vpreset", folders, error), a / "glass-siren.vpreset");
    fs::current_path(working);
    EXPECT_EQ(ResolvePreset("./elsewhere/x.vpreset", folders, error), fs::path("./elsewhere/x.vpreset"));
    fs::remove_all(b); // now a link to itself, which no one can read, root included
    fs::create_directory_symlink("presets", b);
    EXPECT_FALSE(ResolvePreset("No Such Sound", folders, error));
    EXPECT_NE(error.find("cannot read " + b.string()), std::string::npos) << error;

    setenv("HOME", "/home/someone", 1);
    setenv("XDG_DATA_HOME", "/data/me", 1);
    EXPECT_EQ(UserPresetFolder(), fs::path("/data/me/vortane/presets"));
    setenv("XDG_DATA_HOME", "relative/path", 1); // not absolute: ignored
    EXPECT_EQ(UserPresetFolder(), fs::path("/home/someone/.local/share/vortane/presets"));
}

// Applying sets every parameter, an unchanged one too, so that the voice ends with exactly the
// preset's values whatever walked or was loaded before (a restarted synth then plays what a fresh
// one plays: tests/control): Y1 at its start position hands 0.05 over. "Keyboard" and the tuning
// stay unless the preset names them; a named tuning travels through the file's text.
TEST(PresetApply, SetsEveryParameterAndTheTuningItNames) {
    Synth synth;
    Preset preset = RandomPreset(5);
    preset[ParamId::Y1] = 5; // the slider's start position
    preset.named = 0;        // "Keyboard" is no part of the sound: it stays as it was
    preset[ParamId::Keyboard] = 0;
    synth.params.Set(ParamId::Keyboard, 1.0f);
    synth.params.TakeWritten();
    ApplyPreset(preset, synth);
    Preset captured = CapturePreset(synth);
    captured.seed = preset.seed;
    EXPECT_EQ(captured, preset);
    EXPECT_EQ(synth.params.Get(ParamId::Keyboard), 1.0f);
    EXPECT_EQ(synth.params.TakeWritten(), ((uint64_t{1} << kParamCount) - 1) & ~ParamBit(ParamId::Keyboard));
    ParamValues values;
    synth.params.Load(values);
    EXPECT_EQ(SliderPoint(Coordinate::Y1, values, synth.params.HandedOver()), 0.05f);

    preset.scale = "! a \\ comment\n2/1 in three steps\n 3\n 400.0\n 800.0\n 2/1\n";
    preset.keymap = "";
    const PresetParse read = ParsePresetText(PresetText(preset));
    ASSERT_TRUE(read.preset) << read.error;
    EXPECT_EQ(*read.preset, preset);
    ApplyPreset(*read.preset, synth);
    EXPECT_NEAR(synth.keys.Get(61), kMiddleCHz * std::exp2(400.0 / 1200.0), 1e-3);
    EXPECT_EQ(CapturePreset(synth).scale, preset.scale);
    ApplyPreset(DefaultPreset(), synth);
    EXPECT_NEAR(synth.keys.Get(61), kMiddleCHz * std::exp2(400.0 / 1200.0), 1e-3) << "kept: none named";
    EXPECT_NE(ParsePresetText("Vortane preset 1\nTuning = a\\nx\\n").error.find("line 2: the tuning's scale"),
              std::string::npos);
}

// A sound sets every control: one loaded after another that switched walks on plays exactly what it
// plays alone (as the plugins load a program: the parameters, then the voice afresh from its seed).
TEST(PresetApply, ASoundAfterAnotherPlaysWhatItPlaysAlone) {
    const auto factory = [](const char* name) {
        return *LoadPresetFile(fs::path(VORTANE_FACTORY_PRESET_SOURCE) / name).preset;
    };
    const auto play = [](Synth& synth, const Preset& preset) {
        ApplyPreset(preset, synth);
        synth.Restart(77);
        synth.transport.TogglePlay();
        std::vector<float> out(44100);
        synth.Render(out.data(), out.size());
        return out;
    };
    Synth after, alone;
    after.Init(77);
    alone.Init(77);
    play(after, factory("insect-swarm.vpreset"));
    EXPECT_EQ(play(after, factory("overdriven-growl.vpreset")),
              play(alone, factory("overdriven-growl.vpreset")));
}

} // namespace
} // namespace vortane
