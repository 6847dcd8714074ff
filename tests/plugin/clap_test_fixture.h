#pragma once

// What the tests of the built vortane.clap share: the library loaded once per suite, instances at
// a rate, and measures of what they play.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "control/params.h"
#include "tests/plugin/clap_host.h"

namespace vortane::test {

constexpr uint8_t kNoteOn = 0x90, kNoteOff = 0x80;

class ClapPlugin : public testing::Test {
protected:
    static void SetUpTestSuite() { library_ = std::make_unique<ClapLibrary>(VORTANE_CLAP_PATH); }
    static void TearDownTestSuite() { library_.reset(); }
    void SetUp() override { ASSERT_TRUE(library_->ok()) << library_->error(); }

    static std::unique_ptr<ClapInstance> NewInstance(double rate = 44100.0) {
        auto instance = std::make_unique<ClapInstance>(*library_);
        EXPECT_TRUE(instance->ok());
        EXPECT_TRUE(instance->Activate(rate, 512));
        return instance;
    }

    // The id of the parameter that --set calls `name`: hosts number parameters as the table does.
    static clap_id Param(const std::string& name) {
        const auto id = FindParam(name);
        EXPECT_TRUE(id.has_value()) << name;
        return id ? static_cast<clap_id>(*id) : 0;
    }

    static inline std::unique_ptr<ClapLibrary> library_;
};

inline double Rms(const std::vector<float>& s, size_t from, size_t to) {
    double sum = 0.0;
    for (size_t i = from; i < to; ++i) {
        sum += static_cast<double>(s[i]) * s[i];
    }
    return std::sqrt(sum / static_cast<double>(to - from));
}

// The instance's voice state with other lines in place of its seed.
inline void SetVoiceLines(ClapInstance& instance, const std::string& lines) {
    const std::vector<uint8_t> state = *instance.SaveState();
    std::string text(state.begin(), state.end());
    const size_t seed = text.find("seed=");
    text.replace(seed, text.find('\n', seed) + 1 - seed, lines);
    ASSERT_TRUE(instance.LoadState({text.begin(), text.end()}));
}

} // namespace vortane::test
