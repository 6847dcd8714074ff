// Runs the built vortane-render as a child process, as a user or a script would.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sndfile.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace vortane {
namespace {

namespace fs = std::filesystem;

struct RunResult {
    int exit_code = -1;
    std::string out; // stdout
    std::string err; // stderr
};

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ShellQuoted(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

struct Wav {
    SF_INFO info{};
    std::vector<float> samples;
};

class RenderTool : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vortane-render-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the tool with args; a prefix (such as "timeout") goes in front of the tool's path.
    RunResult Run(const std::vector<std::string>& args, const std::string& prefix = "") const {
        std::string command = prefix + ShellQuoted(VORTANE_RENDER_TOOL);
        for (const std::string& arg : args) {
            command += " " + ShellQuoted(arg);
        }
        const fs::path out = dir_ / "stdout.txt", err = dir_ / "stderr.txt";
        command += " >" + ShellQuoted(out.string()) + " 2>" + ShellQuoted(err.string());
        const int status = std::system(command.c_str());
        RunResult result;
        result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = ReadText(out);
        result.err = ReadText(err);
        fs::remove(out);
        fs::remove(err);
        return result;
    }

    // Renders into the test folder and returns the file's path, asserting success.
    fs::path Render(const std::string& name, std::vector<std::string> args) const {
        const fs::path path = dir_ / name;
        args.push_back(path.string());
        const RunResult result = Run(args);
        EXPECT_EQ(result.exit_code, 0) << result.err;
        return path;
    }

    static Wav Read(const fs::path& path) {
        Wav wav;
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &wav.info);
        if (file == nullptr) {
            ADD_FAILURE() << "cannot read " << path << ": " << sf_strerror(nullptr);
            return wav;
        }
        wav.samples.resize(static_cast<size_t>(wav.info.frames));
        EXPECT_EQ(sf_readf_float(file, wav.samples.data(), wav.info.frames), wav.info.frames);
        sf_close(file);
        return wav;
    }

    std::vector<fs::path> FolderEntries() const {
        return {fs::directory_iterator(dir_), fs::directory_iterator()};
    }

    fs::path dir_;
};

double Rms(const std::vector<float>& samples) {
    double sum = 0.0;
    for (float s : samples) {
        sum += static_cast<double>(s) * s;
    }
    return samples.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

TEST_F(RenderTool, DefaultsGiveAnAudibleFiniteMonoFloatFile) {
    const Wav wav = Read(Render("default.wav", {"--seconds", "2", "--seed", "7"}));
    EXPECT_EQ(wav.info.samplerate, 44100);
    EXPECT_EQ(wav.info.channels, 1);
    EXPECT_EQ(wav.info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_EQ(wav.samples.size(), 88200u);
    for (float s : wav.samples) {
        ASSERT_TRUE(std::isfinite(s));
    }
    EXPECT_EQ(wav.samples[0], 0.0f); // frame 0 has fade weight 0
    EXPECT_GT(Rms(wav.samples), 0.02);
}

TEST_F(RenderTool, SameSeedSameBytesOtherSeedOtherSamples) {
    const std::vector<std::string> args = {"--seconds", "1", "--set", "X1 On", "--set", "Y2 On"};
    auto with_seed = [&](const char* seed) {
        std::vector<std::string> a = args;
        a.insert(a.end(), {"--seed", seed});
        return a;
    };
    const std::string first = ReadText(Render("a.wav", with_seed("42")));
    const std::string again = ReadText(Render("b.wav", with_seed("42")));
    const std::string other = ReadText(Render("c.wav", with_seed("43")));
    ASSERT_GT(first.size(), 44100u * 4);
    EXPECT_TRUE(first == again) << "one seed gave two different files";
    EXPECT_EQ(first.size(), other.size());
    EXPECT_FALSE(first == other) << "two seeds gave the same file";
    EXPECT_EQ(first.find("PEAK"), std::string::npos) << "a PEAK chunk carries a time stamp";
}

TEST_F(RenderTool, HelpPrintsUsageAndWritesNothing) {
    const RunResult result = Run({"--help"});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.out.rfind("Usage: vortane-render", 0), 0u) << result.out;
    EXPECT_TRUE(FolderEntries().empty());
}

TEST_F(RenderTool, ClockSeedIsPrintedAndRepeatsTheRender) {
    const RunResult first = Run({"--seconds", "0.5", (dir_ / "clock.wav").string()});
    ASSERT_EQ(first.exit_code, 0) << first.err;
    ASSERT_EQ(first.out.rfind("seed ", 0), 0u) << first.out;
    const std::string seed = first.out.substr(5, first.out.find('\n') - 5);
    const fs::path repeated = Render("repeated.wav", {"--seconds", "0.5", "--seed", seed});
    EXPECT_TRUE(ReadText(dir_ / "clock.wav") == ReadText(repeated));
}

TEST_F(RenderTool, SettingsActAsTheUsersMoves) {
    const Wav silent =
        Read(Render("silent.wav", {"--seconds", "0.5", "--seed", "3", "--set", "Master Volume=0"}));
    ASSERT_EQ(silent.samples.size(), 22050u);
    for (float s : silent.samples) {
        ASSERT_EQ(s, 0.0f);
    }
    const std::vector<std::string> base = {"--seconds", "0.5", "--seed", "3"};
    std::vector<std::string> louder = base;
    louder.insert(louder.end(), {"--set", "master volume=800"});
    const double rms_default = Rms(Read(Render("default.wav", base)).samples);
    const double rms_louder = Rms(Read(Render("louder.wav", louder)).samples);
    EXPECT_GT(rms_louder, rms_default * 1.3);
}

struct ToolBadInput {
    std::vector<std::string> args; // "@" stands for the test folder
    std::string message;
};

void PrintTo(const ToolBadInput& b, std::ostream* os) {
    for (const std::string& arg : b.args) {
        *os << arg << ' ';
    }
}

class RenderToolRejects : public RenderTool, public testing::WithParamInterface<ToolBadInput> {};

TEST_P(RenderToolRejects, WithExitTwoOneLineAndNoFile) {
    std::vector<std::string> args = GetParam().args;
    for (std::string& arg : args) {
        if (arg.front() == '@') {
            arg = dir_.string() + arg.substr(1);
        }
    }
    const RunResult result = Run(args);
    EXPECT_EQ(result.exit_code, 2);
    EXPECT_EQ(result.err.rfind("vortane-render: ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find(GetParam().message), std::string::npos) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    const std::vector<fs::path> left = FolderEntries(); // neither output nor temporary file
    EXPECT_TRUE(left.empty()) << left.size() << " entries left, first " << left.front();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenderToolRejects,
    testing::Values(ToolBadInput{{"--set", "Frequency=500", "@/x.wav"}, "unknown control \"Frequency\""},
                    ToolBadInput{{"--set", "Frq=6000", "@/x.wav"}, "outside 20..5000"},
                    ToolBadInput{{"--set", "Master Volume=loud", "@/x.wav"}, "not a whole number"},
                    ToolBadInput{{"--seconds", "0", "@/x.wav"}, "greater than 0"},
                    ToolBadInput{{"--seconds", "-1", "@/x.wav"}, "greater than 0"},
                    ToolBadInput{{"--seconds", "4000", "@/x.wav"}, "at most 3600"},
                    ToolBadInput{{"--volume", "2", "@/x.wav"}, "unknown option"},
                    ToolBadInput{{"@/x.wav", "--seed"}, "--seed needs a value"},
                    ToolBadInput{{"@/missing/x.wav"}, "cannot write"},
                    ToolBadInput{{"@"}, "it is a directory"}));

TEST_F(RenderTool, InterruptedRenderLeavesNothing) {
    const RunResult result = Run({"--seconds", "3600", (dir_ / "long.wav").string()}, "timeout -s INT 0.3 ");
    EXPECT_NE(result.exit_code, 0);
    EXPECT_TRUE(FolderEntries().empty()) << FolderEntries().size() << " entries left";
}

TEST_F(RenderTool, FileInPlaceOfFolderIsAnUnwritablePath) {
    const fs::path plain = dir_ / "plain";
    std::ofstream(plain) << "not a folder";
    const RunResult result = Run({"--seconds", "0.1", (plain / "x.wav").string()});
    EXPECT_EQ(result.exit_code, 2);
    EXPECT_NE(result.err.find("cannot write"), std::string::npos) << result.err;
    EXPECT_EQ(FolderEntries().size(), 1u);
}

TEST_F(RenderTool, UnwritableFolderLeavesNothing) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    const fs::path locked = dir_ / "subfolder";
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    const RunResult result = Run({"--seconds", "0.1", (locked / "x.wav").string()});
    fs::permissions(locked, fs::perms::owner_all);
    EXPECT_EQ(result.exit_code, 2);
    EXPECT_NE(result.err.find("cannot write"), std::string::npos) << result.err;
    EXPECT_TRUE(fs::is_empty(locked));
}

} // namespace
} // namespace vortane
