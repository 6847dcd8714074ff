#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "synth_test_util.h"

namespace vortane {
namespace {

using test::Move;

// FNV-1a over 64-bit words: the bit pattern of every sample and of every piece of state, so that
// a single changed bit anywhere in a long render changes the hash.
struct Fnv1a {
    uint64_t value = 0xCBF29CE484222325ULL;
    void Add(uint64_t word) {
        for (int i = 0; i < 8; ++i) {
            value = (value ^ ((word >> (8 * i)) & 0xFFu)) * 0x100000001B3ULL;
        }
    }
    void Add(float v) { Add(static_cast<uint64_t>(std::bit_cast<uint32_t>(v))); }
    void Add(double v) { Add(std::bit_cast<uint64_t>(v)); }
    void Add(int32_t v) { Add(static_cast<uint64_t>(static_cast<uint32_t>(v))); }
};

// The state the audio thread leaves behind: both walks, the control points, the oscillator and
// the filter, so a change that only shows in later periods is caught too.
uint64_t EndStateHash(const Voice& voice) {
    Fnv1a h;
    const Oscillator& o = voice.oscillator();
    const PeriodWalk& w = o.period_walk();
    for (int32_t v : {w.period_count, w.reset_armed, w.reset_interval, w.frequency_step, w.primary_value,
                      w.period_length}) {
        h.Add(v);
    }
    for (Coordinate k : {Coordinate::X1, Coordinate::Y1, Coordinate::X2, Coordinate::Y2}) {
        h.Add(o.point_walk(k).primary_value);
        h.Add(o.point_walk(k).position);
    }
    for (Coordinate k : {Coordinate::X1, Coordinate::Y1, Coordinate::X2, Coordinate::Y2}) {
        h.Add(o.point(k));
    }
    for (int32_t v : {o.position(), o.length(), voice.frame_index()}) {
        h.Add(v);
    }
    const MasterFilter::State& f = voice.filter().state();
    const MasterFilter::Coefficients& c = voice.filter().coefficients();
    for (double v : {f.y1, f.y2, f.y3, f.y4, f.x_prev, f.y1_prev, f.y2_prev, f.y3_prev, c.r, c.p, c.k}) {
        h.Add(v);
    }
    return h.value;
}

// Settings before Play: all four walks on, then moves and options. The Stop/Play case keeps the
// walks off and gets its events from StopPlayAndSliders.
struct GoldenCase {
    const char* name;
    std::vector<std::pair<int, int>> moves;
    std::vector<int> options;
    size_t block; // frames per Render call
    uint64_t samples_hash;
    uint64_t state_hash;
    bool stop_play = false;
};

void PrintTo(const GoldenCase& c, std::ostream* os) {
    *os << c.name;
}

// Before buffer i of n: Stop, Play again (no fade-in, the period runs on), sliders moved while
// playing, then a fresh start reset as a MIDI note makes it.
void StopPlayAndSliders(Synth& e, size_t i, size_t n) {
    if (i == n / 4 || i == n / 4 + 50) {
        e.controls.TogglePlay();
    } else if (i == n / 2) {
        // clang-format off
        const std::pair<int, int> moves[] = {{id::kY1, 30}, {id::kX2, 40}, {id::kMasterVolume, 977},
            {id::kRes, 80}, {id::kFrq, 420}, {id::kFrequencySetting, 555}, {id::kSecondaryBarrier, 123},
            {id::kX1StepSize, 100}, {id::kY2Negative, 1}, {id::kY2On, 1}};
        // clang-format on
        for (auto [id, state] : moves) {
            Move(e, id, state);
        }
    } else if (i == 3 * n / 4) {
        e.controls.CloseGateForRestart(); // the last note released, then a new one
        e.controls.OpenGateByNote();
    }
}

class GoldenRender : public ::testing::TestWithParam<GoldenCase> {};

// Fixed seeds, about 24 seconds each (thousands of periods): every sample and the final state
// must match, bit for bit, the constants recorded from the voice's reference arithmetic. Any
// optimisation of the audio path that reorders float operations shows up here.
TEST_P(GoldenRender, SamplesAndEndStateAreBitIdentical) {
    const GoldenCase& c = GetParam();
    constexpr size_t kFrames = size_t{1} << 20;
    auto synth = test::PreparedSynth(20240611);
    Synth& e = *synth;
    if (!c.stop_play) {
        test::SwitchAllWalks(e);
    }
    for (auto [id, state] : c.moves) {
        Move(e, id, state);
    }
    for (int option : c.options) {
        e.controls.panel().SelectOption(option);
    }
    e.controls.TogglePlay();

    Fnv1a samples;
    std::vector<float> buffer(c.block);
    const size_t buffers = kFrames / c.block;
    for (size_t i = 0; i < buffers; ++i) {
        if (c.stop_play) {
            StopPlayAndSliders(e, i, buffers);
        }
        e.Render(buffer.data(), buffer.size());
        for (float v : buffer) {
            samples.Add(v);
        }
    }
    const uint64_t state = EndStateHash(e.voice);
    EXPECT_EQ(samples.value, c.samples_hash) << std::hex << "samples 0x" << samples.value;
    EXPECT_EQ(state, c.state_hash) << std::hex << "state 0x" << state;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(FixedSeeds, GoldenRender, ::testing::Values(
    GoldenCase{"DefaultsWalksOn", {}, {}, 256, 0xd10e40f895b504cdULL, 0x405e7c8bf3c85ea6ULL},
    GoldenCase{"ShortestPeriods", {{id::kFrequencySetting, 1000}, {id::kSecondaryBarrier, 600}}, {}, 256,
               0xf802c248405cabbaULL, 0xb9e02e3d2ccd6593ULL},
    GoldenCase{"Logistic", {}, {id::kLogistic}, 256, 0x1fd98a8bfc3ba2f8ULL, 0x3425d027984f9162ULL},
    GoldenCase{"Uniform", {}, {id::kUniform}, 256, 0x44337545ffa44a63ULL, 0x62903f7206af1d9fULL},
    GoldenCase{"ArcSin", {{id::kPrimaryStepSize, 350}}, {id::kArcSin}, 256, 0xc87d2a60b9ec6432ULL, 0xd4ca70f36da3e836ULL},
    GoldenCase{"ConstantWithRandomBarrier", {{id::kPrimaryStepSize, 500}, {id::kPrimaryStepBarrier, 2}},
               {id::kPriC, id::kSRandom}, 256, 0x6ff79e2f0709ca55ULL, 0x5ee15c52a1b48fa4ULL},
    GoldenCase{"LoudResonant", {{id::kRes, 100}, {id::kMasterVolume, 1500}, {id::kFrq, 3000}}, {}, 256,
               0x2c9c66d5c618929dULL, 0x667a933da90cecaaULL},
    GoldenCase{"StopPlayAndSliders", {}, {}, 97, 0xa2c1cc32dc65cd1eULL, 0x758cf8443b78cb4ULL, true}),
    [](const ::testing::TestParamInfo<GoldenCase>& info) { return std::string(info.param.name); });
// clang-format on

// Buffer size is the audio system's choice; the samples must not depend on it.
TEST(SeededRender, SameSamplesWhateverTheBufferSize) {
    const auto render = [](size_t block) {
        auto synth = test::PreparedSynth(4242);
        test::SwitchAllWalks(*synth);
        Move(*synth, id::kRes, 90);
        std::vector<float> out;
        for (int phase = 0; phase < 4; ++phase) {
            synth->controls.TogglePlay(); // Play, Stop, Play, Stop at buffer-independent frames
            const std::vector<float> part = test::RenderFrames(*synth, 1024 * 40, block);
            out.insert(out.end(), part.begin(), part.end());
        }
        return out;
    };
    const std::vector<float> single = render(1);
    EXPECT_NE(single[1024 * 20], 0.0f);
    for (size_t block : {64u, 1024u}) {
        const std::vector<float> other = render(block);
        EXPECT_EQ(std::memcmp(single.data(), other.data(), single.size() * sizeof(float)), 0) << block;
    }
}

} // namespace
} // namespace vortane
