// The LV2 bundle as hosts read it: lilv lists an instrument and the factory presets, and the Turtle
// is valid against the LV2 vocabularies (the parameters are checked once, through the CLAP host).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "base/text.h"
#include "control/params.h"
#include "presets/preset_file.h"
#include "presets/preset_folders.h"

namespace vortane::test {
namespace {

// A command's exit status, and what it wrote to its output and its error stream.
std::pair<int, std::string> RunCommand(const std::string& command) {
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    char buffer[4096];
    for (size_t n; pipe != nullptr && (n = fread(buffer, 1, sizeof(buffer), pipe)) > 0;) {
        output.append(buffer, n);
    }
    return {pipe != nullptr ? pclose(pipe) : -1, output};
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The bundle's presets are the factory files by their names, each holding every parameter at the
// file's value (as the plugin loads the program) and the file's tuning, if it names one.
TEST(Lv2Bundle, FactoryPresetsAreListedAndHoldTheFilesValues) {
    const std::vector<NamedPreset> files = ListPresets(VORTANE_FACTORY_PRESET_SOURCE);
    ASSERT_GE(files.size(), 10u);
    const auto [status, info] = RunCommand("LV2_PATH=" VORTANE_LV2_BUNDLE "/..:" VORTANE_LV2_VOCABULARY
                                           " lv2info urn:vortane:vortane");
    ASSERT_EQ(status, 0) << info;
    EXPECT_NE(info.find("Instrument Plugin"), std::string::npos) << info;
    const size_t listed = info.find("Presets:"), ports = info.find("Port 0:");
    ASSERT_LT(listed, ports) << info;
    std::set<std::string> names, file_names;
    std::istringstream lines(info.substr(listed + 8, ports - listed - 8));
    for (std::string line; std::getline(lines >> std::ws, line);) {
        names.insert(line);
    }
    for (const NamedPreset& file : files) {
        file_names.insert(file.name);
    }
    EXPECT_EQ(names, file_names);

    // Each preset's label in the manifest, then its port values in presets.ttl.
    const std::string manifest = ReadText(VORTANE_LV2_BUNDLE "/manifest.ttl");
    const std::string presets = ReadText(VORTANE_LV2_BUNDLE "/presets.ttl");
    const std::regex labelled(
        R"re(<(urn:vortane:vortane#preset\d+)>\s+a pset:Preset ;[^.]*rdfs:label "([^"]+)")re");
    const std::regex port(R"re(lv2:symbol "([a-z0-9_]+)" ;\s*pset:value (-?\d+))re");
    EXPECT_EQ(presets.find("seed="), std::string::npos) << "a factory sound leaves the instance its seed";
    size_t checked = 0;
    for (std::sregex_iterator it(manifest.begin(), manifest.end(), labelled), end; it != end; ++it) {
        const std::string uri = "<" + (*it)[1].str() + ">";
        const auto file = std::find_if(files.begin(), files.end(),
                                       [&](const NamedPreset& f) { return f.name == (*it)[2].str(); });
        ASSERT_NE(file, files.end()) << (*it)[2];
        const PresetParse parsed = LoadPresetFile(file->path);
        ASSERT_TRUE(parsed.preset) << parsed.error;

        const size_t begin = presets.find(uri + "\n");
        ASSERT_NE(begin, std::string::npos) << uri;
        const size_t stop = presets.find("\n<urn:", begin + 1);
        const std::string block =
            presets.substr(begin, stop == std::string::npos ? std::string::npos : stop - begin);
        std::map<std::string, double> values, expected;
        for (std::sregex_iterator p(block.begin(), block.end(), port); p != std::sregex_iterator(); ++p) {
            values[(*p)[1].str()] = std::stoi((*p)[2].str());
        }
        for (const ParamSpec& spec : Params()) {
            if (spec.id != ParamId::Keyboard) { // how the instance is played: no preset sets it
                expected[std::string(spec.symbol)] = (*parsed.preset)[spec.id];
            }
        }
        EXPECT_EQ(values, expected) << file->name;
        // A state only where the sound names a tuning: its text, as the host reads the Turtle string.
        const size_t state = block.find("scale=");
        ASSERT_EQ(state != std::string::npos, parsed.preset->scale.has_value()) << file->name;
        if (state != std::string::npos) {
            std::string line;
            for (size_t i = state; block[i] != '\n'; ++i) {
                line += block[i] == '\\' ? block[++i] : block[i]; // \\ and \" escape in Turtle
            }
            EXPECT_EQ(line, "scale=" + JoinLines(*parsed.preset->scale)) << file->name;
        }
        ++checked;
    }
    EXPECT_EQ(checked, files.size());
}

TEST(Lv2Bundle, TurtleIsValidAgainstTheLv2Vocabularies) {
    const auto [status, output] =
        RunCommand("sord_validate $(find " VORTANE_LV2_VOCABULARY " -name '*.ttl') " //
                   VORTANE_PROGRAMS_VOCABULARY " " VORTANE_LV2_BUNDLE "/*.ttl");
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("Found 0 errors"), std::string::npos) << output;
}

} // namespace
} // namespace vortane::test
