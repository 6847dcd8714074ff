#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "engine/bezier_shaper.h"
#include "engine/waveform_rows.h"
#include "render_test_util.h"

namespace vortane {
namespace {

using test::Move;

// FNV-1a over 64-bit words: the bit pattern of every sample and of every piece of state, so that
// a single changed bit anywhere in a long render changes the hash.
class Fnv1a {
public:
    void Add(uint64_t word) {
        for (int i = 0; i < 8; ++i) {
            hash_ ^= (word >> (8 * i)) & 0xFFu;
            hash_ *= 0x100000001B3ULL;
        }
    }
    void Add(float v) { Add(static_cast<uint64_t>(std::bit_cast<uint32_t>(v))); }
    void Add(double v) { Add(std::bit_cast<uint64_t>(v)); }
    void Add(int32_t v) { Add(static_cast<uint64_t>(static_cast<uint32_t>(v))); }
    uint64_t Value() const { return hash_; }

private:
    uint64_t hash_ = 0xCBF29CE484222325ULL;
};

// The state the audio thread leaves behind: both walks, the control points, the oscillator and
// the filter, so a change that only shows in later periods is caught too.
uint64_t EndStateHash(const Engine& e) {
    Fnv1a h;
    const PeriodWalk& w = e.period_walk;
    for (int32_t v : {Get(w.period_count), w.reset_armed, w.reset_interval, w.frequency_step, w.primary_value,
                      w.period_length}) {
        h.Add(v);
    }
    for (const ControlPointWalk& p : e.point_walks) {
        h.Add(p.primary_value);
        h.Add(p.position);
    }
    for (float v : {Get(e.state.x1), Get(e.state.y1), Get(e.state.x2), Get(e.state.y2)}) {
        h.Add(v);
    }
    h.Add(Get(e.state.period_position));
    h.Add(Get(e.state.period_length));
    h.Add(Get(e.state.frame_index));
    const MasterFilter& f = e.filter;
    for (double v : {f.y1, f.y2, f.y3, f.y4, f.x_prev, f.y1_prev, f.y2_prev, f.y3_prev, f.r, f.p, f.k}) {
        h.Add(v);
    }
    return h.Value();
}

struct GoldenCase {
    const char* name;
    void (*setup)(Engine&);                                 // before Play
    void (*events)(Engine&, size_t buffer, size_t buffers); // before each buffer; may be null
    size_t block;                                           // frames per Render call
    uint64_t samples_hash;
    uint64_t state_hash;
};

void Nothing(Engine&) {}
void WalksOn(Engine& e) {
    test::SwitchAllWalks(e, 1);
}
void ShortestPeriods(Engine& e) {
    WalksOn(e);
    Move(e, id::kFrequencySetting, 1000);
    Move(e, id::kSecondaryBarrier, 600);
}
void Logistic(Engine& e) {
    WalksOn(e);
    e.panel.SelectOption(id::kLogistic);
}
void Uniform(Engine& e) {
    WalksOn(e);
    e.panel.SelectOption(id::kUniform);
}
void ArcSin(Engine& e) {
    WalksOn(e);
    e.panel.SelectOption(id::kArcSin);
    Move(e, id::kPrimaryStepSize, 350);
}
void ConstantWithRandomBarrier(Engine& e) {
    WalksOn(e);
    e.panel.SelectOption(id::kPriC);
    e.panel.SelectOption(id::kSRandom);
    Move(e, id::kPrimaryStepSize, 500);
    Move(e, id::kPrimaryStepBarrier, 2);
}
void LoudResonant(Engine& e) {
    WalksOn(e);
    Move(e, id::kRes, 100);
    Move(e, id::kMasterVolume, 1500);
    Move(e, id::kFrq, 3000);
}
// Before buffer i of n: Stop, Play again (no fade-in, the period runs on), sliders moved while
// playing, then a fresh start reset as a MIDI note makes it.
void StopPlayAndSliders(Engine& e, size_t i, size_t n) {
    if (i == n / 4 || i == n / 4 + 50) {
        TogglePlay(e);
    } else if (i == n / 2) {
        Move(e, id::kY1, 30);
        Move(e, id::kX2, 40);
        Move(e, id::kMasterVolume, 977);
        Move(e, id::kRes, 80);
        Move(e, id::kFrq, 420);
        Move(e, id::kFrequencySetting, 555);
        Move(e, id::kSecondaryBarrier, 123);
        Move(e, id::kX1StepSize, 100);
        Move(e, id::kY2Negative, 1);
        Move(e, id::kY2On, 1);
    } else if (i == 3 * n / 4) {
        Put(e.state.start_done, 0);
    }
}
void SlidersWhilePlaying(Engine& e, size_t i, size_t n) {
    if (i == n / 3) {
        Move(e, id::kY2, 120);
        Move(e, id::kMasterVolume, 50);
        Move(e, id::kFrq, 60);
        Move(e, id::kProbabilityWidth, 25);
        Move(e, id::kX1Max, 115);
        Move(e, id::kX1On, 0);
    } else if (i == 2 * n / 3) {
        Move(e, id::kMasterVolume, 0);
        Move(e, id::kRes, 0);
        Move(e, id::kX1On, 1);
    }
}

void PrintTo(const GoldenCase& c, std::ostream* os) {
    *os << c.name;
}

class GoldenRender : public ::testing::TestWithParam<GoldenCase> {};

// Fixed seeds, about 24 seconds each (thousands of periods): every sample and the final state
// must match, bit for bit, the constants recorded from the engine's reference arithmetic. Any
// optimisation of the audio path that reorders float operations shows up here.
TEST_P(GoldenRender, SamplesAndEndStateAreBitIdentical) {
    const GoldenCase& c = GetParam();
    constexpr size_t kFrames = size_t{1} << 20; // about 24 seconds
    auto engine = test::PreparedEngine(20240611);
    Engine& e = *engine;
    c.setup(e);
    TogglePlay(e);

    Fnv1a samples;
    std::vector<float> buffer(c.block);
    const size_t buffers = kFrames / c.block;
    for (size_t i = 0; i < buffers; ++i) {
        if (c.events != nullptr) {
            c.events(e, i, buffers);
        }
        Render(e, buffer.data(), buffer.size());
        for (float v : buffer) {
            samples.Add(v);
        }
    }
    const uint64_t state = EndStateHash(e);
    EXPECT_EQ(samples.Value(), c.samples_hash) << std::hex << "samples 0x" << samples.Value();
    EXPECT_EQ(state, c.state_hash) << std::hex << "state 0x" << state;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(FixedSeeds, GoldenRender, ::testing::Values(
    GoldenCase{"DefaultsWalksOff", Nothing, nullptr, 256, 0xaac2818d5dd17520ULL, 0x8e614116f3a7a1d4ULL},
    GoldenCase{"DefaultsWalksOn", WalksOn, nullptr, 256, 0xd10e40f895b504cdULL, 0x405e7c8bf3c85ea6ULL},
    GoldenCase{"ShortestPeriods", ShortestPeriods, nullptr, 256, 0xf802c248405cabbaULL, 0xb9e02e3d2ccd6593ULL},
    GoldenCase{"Logistic", Logistic, nullptr, 256, 0x1fd98a8bfc3ba2f8ULL, 0x3425d027984f9162ULL},
    GoldenCase{"Uniform", Uniform, nullptr, 256, 0x44337545ffa44a63ULL, 0x62903f7206af1d9fULL},
    GoldenCase{"ArcSin", ArcSin, nullptr, 256, 0xc87d2a60b9ec6432ULL, 0xd4ca70f36da3e836ULL},
    GoldenCase{"ConstantWithRandomBarrier", ConstantWithRandomBarrier, nullptr, 256, 0x6ff79e2f0709ca55ULL, 0x5ee15c52a1b48fa4ULL},
    GoldenCase{"LoudResonant", LoudResonant, nullptr, 256, 0x2c9c66d5c618929dULL, 0x667a933da90cecaaULL},
    GoldenCase{"StopPlayAndSliders", Nothing, StopPlayAndSliders, 97, 0xa2c1cc32dc65cd1eULL, 0x758cf8443b78cb4ULL},
    GoldenCase{"SlidersWhilePlaying", WalksOn, SlidersWhilePlaying, 1024, 0xf74dbef37eb6418cULL, 0x415f587d3e80ea53ULL}),
    [](const ::testing::TestParamInfo<GoldenCase>& info) { return std::string(info.param.name); });
// clang-format on

// The display shapes sixteen columns at a time; each must be the scalar shaper's row, rounded,
// also for folded curves whose Newton steps diverge or hit a flat spot.
TEST(GoldenDisplay, RowsEqualTheScalarShaperColumnByColumn) {
    const std::array<std::array<float, 4>, 5> curves{{{0.5f, 0.06f, 0.75f, 0.95f},
                                                      {1.15f, 0.79f, 0.01f, 1.49f},
                                                      {0.0f, 0.0f, 0.0f, 0.8f},
                                                      {0.01f, 0.5f, 0.99f, 1.2f},
                                                      {1.1f, 0.3f, 0.02f, 0.81f}}};
    for (const auto& c : curves) {
        const auto rows = ComputeDisplayRows(c[0], c[1], c[2], c[3]);
        for (int i = 0; i < kDisplayWidth; ++i) {
            const float t = static_cast<float>(i) / static_cast<float>(kDisplayWidth);
            const auto expected = static_cast<int>(std::nearbyint(BezierShaper(t, c[0], c[1], c[2], c[3])));
            ASSERT_EQ(rows[static_cast<size_t>(i)], expected) << "column " << i << " of curve " << c[0];
        }
    }
}

} // namespace
} // namespace vortane
