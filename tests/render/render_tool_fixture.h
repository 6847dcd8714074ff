#pragma once
// Runs the built vortane-render as a child process, as a user or a script would, in a fresh folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sndfile.h>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace vortane {

struct RunResult {
    int exit_code = -1; // -1 when the tool did not exit by itself
    std::string output; // stdout and stderr, unless the command redirects them
    int Lines() const { return static_cast<int>(std::count(output.begin(), output.end(), '\n')); }
};

class RenderTool : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vortane-render-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // "@" at the start of an argument stands for the test folder. No argument holds a quote.
    // prefix and suffix are shell text around the command, as "cat fifo & " or " > file".
    RunResult Run(std::vector<std::string> args, const std::string& prefix = "",
                  const std::string& suffix = "") const {
        std::string command = prefix + "'" VORTANE_RENDER_TOOL "'";
        for (std::string& arg : args) {
            command += " '" + (arg.starts_with('@') ? dir_.string() + arg.substr(1) : arg) + "'";
        }
        FILE* pipe = popen(("{ " + command + suffix + "; } 2>&1").c_str(), "r");
        RunResult result;
        char buffer[256];
        while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            result.output += buffer;
        }
        const int status = pipe != nullptr ? pclose(pipe) : -1;
        result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }

    // Renders to the test folder, asserting success; the file's format is left in info_.
    std::vector<float> Render(const std::string& name, std::vector<std::string> args) {
        args.push_back("@/" + name);
        const RunResult result = Run(args);
        EXPECT_EQ(result.exit_code, 0) << result.output;
        info_ = {};
        SNDFILE* file = sf_open((dir_ / name).c_str(), SFM_READ, &info_);
        std::vector<float> samples(file != nullptr ? static_cast<size_t>(info_.frames) : 0);
        if (file != nullptr) {
            sf_readf_float(file, samples.data(), info_.frames);
            sf_close(file);
        }
        return samples;
    }

    // A Standard MIDI File of one track at 120 bpm, 480 ticks a beat (a second is 960 ticks), from
    // messages at their ticks, written to the test folder.
    std::string WriteMidiFile(const std::string& name,
                              std::vector<std::pair<int, std::vector<uint8_t>>> events) {
        std::sort(events.begin(), events.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        std::string track;
        int previous = 0;
        for (const auto& [tick, message] : events) {
            int delta = tick - previous;
            previous = tick;
            std::string quantity(1, static_cast<char>(delta & 0x7F));
            while ((delta >>= 7) != 0) {
                quantity.insert(quantity.begin(), static_cast<char>(0x80 | (delta & 0x7F)));
            }
            track += quantity + std::string(message.begin(), message.end());
        }
        track += std::string("\0\xFF\x2F\0", 4);
        const auto be32 = [](size_t n) {
            return std::string{char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
        };
        std::ofstream(dir_ / name, std::ios::binary)
            << "MThd" << be32(6) << std::string("\0\0\0\x01\x01\xE0", 6) << "MTrk" << be32(track.size())
            << track;
        return (dir_ / name).string();
    }

    static std::string ReadBytes(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    SF_INFO info_{};
    std::filesystem::path dir_;
};

} // namespace vortane
