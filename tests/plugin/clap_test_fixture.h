#pragma once

// What the tests of the built vortane.clap share: the library loaded once per suite, instances at
// a rate, and measures of what they play.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
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
    static clap_id Param(const ClapInstance&, const std::string& name) {
        const auto id = FindParam(name);
        EXPECT_TRUE(id.has_value()) << name;
        return id ? static_cast<clap_id>(*id) : 0;
    }

    static inline std::unique_ptr<ClapLibrary> library_;
};

inline bool AllZero(const std::vector<float>& s, size_t from, size_t to) {
    return std::all_of(s.begin() + static_cast<long>(from), s.begin() + static_cast<long>(to),
                       [](float x) { return x == 0.0f; });
}

inline double Rms(const std::vector<float>& s, size_t from, size_t to) {
    double sum = 0.0;
    for (size_t i = from; i < to; ++i) {
        sum += static_cast<double>(s[i]) * s[i];
    }
    return std::sqrt(sum / static_cast<double>(to - from));
}

// The magnitude of one frequency in a Hann-windowed signal (Goertzel).
inline double Magnitude(const std::vector<float>& x, double hz, double rate) {
    const double w = 2.0 * std::numbers::pi * hz / rate, c = 2.0 * std::cos(w);
    double s1 = 0.0, s2 = 0.0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double hann = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / x.size());
        const double s0 = x[i] * hann + c * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return std::sqrt(s1 * s1 + s2 * s2 - c * s1 * s2);
}

// A held note's pitch in cents from hz: the offset, within ±range, at which the first three
// harmonics are strongest together. The upper harmonics resolve a low note's wandering period far
// better than its fundamental alone, whose peak is as wide as 15 cents at 33 Hz over 3 s.
inline double PitchCents(const std::vector<float>& note, double hz, double rate, double range) {
    double best = 0.0, loudest = 0.0;
    for (double cents = -range; cents <= range; cents += 0.5) {
        double m = 0.0;
        for (int harmonic = 1; harmonic <= 3 && harmonic * hz < rate / 2; ++harmonic) {
            m += Magnitude(note, harmonic * hz * std::exp2(cents / 1200.0), rate);
        }
        if (m > loudest) {
            loudest = m;
            best = cents;
        }
    }
    return best;
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
