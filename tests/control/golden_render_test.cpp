#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <tuple>
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
struct Hashes {
    uint64_t samples;
    uint64_t state;
};
struct GoldenCase {
    const char* name;
    std::vector<std::pair<int, int>> moves;
    std::vector<int> options;
    size_t block; // frames per Render call
    Hashes plain; // on the filter's plain path
    Hashes fused; // on its fused multiply-add path
    bool stop_play = false;
    // how close a fast path stays to the written order over a minute
    double min_identical = 0.999;
    double max_difference = 1e-6;
};

void PrintTo(const GoldenCase& c, std::ostream* os) {
    *os << c.name;
}

using Path = MasterFilter::Path;
using PathCase = std::tuple<GoldenCase, Path>;

std::string PathCaseName(const ::testing::TestParamInfo<PathCase>& info) {
    return std::string(std::get<0>(info.param).name) +
           (std::get<1>(info.param) == Path::kFused ? "Fused" : "Plain");
}

// The fused path runs only on a processor with FMA; elsewhere its cases are skipped.
bool Runs(Path path) {
    return path != Path::kFused || MasterFilter::FastestPath() == Path::kFused;
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

// A case's settings, Play, then buffers until frames have been rendered; each buffer goes to sink.
template <class Sink>
std::unique_ptr<Synth> RenderCase(const GoldenCase& c, Path path, size_t frames, Sink&& sink,
                                  bool wide_shaping = true) {
    auto synth = test::PreparedSynth(20240611);
    Synth& e = *synth;
    e.voice.set_filter_path(path);
    e.voice.set_wide_shaping(wide_shaping);
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
    std::vector<float> buffer(c.block);
    const size_t buffers = frames / c.block;
    for (size_t i = 0; i < buffers; ++i) {
        if (c.stop_play) {
            StopPlayAndSliders(e, i, buffers);
        }
        e.Render(buffer.data(), buffer.size());
        sink(buffer);
    }
    return synth;
}

std::vector<float> RenderAll(const GoldenCase& c, Path path, size_t frames, bool wide_shaping = true) {
    std::vector<float> out;
    out.reserve(frames);
    RenderCase(
        c, path, frames, [&](const std::vector<float>& b) { out.insert(out.end(), b.begin(), b.end()); },
        wide_shaping);
    return out;
}

class GoldenRender : public ::testing::TestWithParam<PathCase> {};

// Fixed seeds, about 24 seconds each (thousands of periods): every sample and the final state
// must match, bit for bit, the constants recorded on each of the filter's two fast paths. Any
// change of the audio path that reorders float operations shows up here; FilterAccuracy below
// bounds how far both paths stand from the filter's written order.
TEST_P(GoldenRender, SamplesAndEndStateAreBitIdentical) {
    const auto& [c, path] = GetParam();
    if (!Runs(path)) {
        GTEST_SKIP() << "no fused multiply-add on this processor";
    }
    Fnv1a samples;
    const auto synth = RenderCase(c, path, size_t{1} << 20, [&](const std::vector<float>& b) {
        for (float v : b) {
            samples.Add(v);
        }
    });
    const Hashes& expected = path == Path::kFused ? c.fused : c.plain;
    const uint64_t state = EndStateHash(synth->voice);
    EXPECT_EQ(samples.value, expected.samples) << std::hex << "samples 0x" << samples.value;
    EXPECT_EQ(state, expected.state) << std::hex << "state 0x" << state;
}

class FilterAccuracy : public ::testing::TestWithParam<PathCase> {};

// The fast paths regroup the filter's arithmetic (and the fused one rounds each multiply-add
// once); over a minute of each golden setting the output must still be the written order's in
// nearly every float, and nowhere off by more than 1e-6. At full resonance with a loud input the
// clipper is driven into its fold, where the loop multiplies any last-bit difference for a few
// dozen samples before it dies away: there the written order's own equations rounded less land as
// far from it (MasterFilter.RegroupedPathsAreAsCloseAsExactArithmeticWhenLoudAndResonant), so
// that case gets a measured bound.
TEST_P(FilterAccuracy, StaysWithTheWrittenOrderForAMinute) {
    const auto& [c, path] = GetParam();
    if (!Runs(path)) {
        GTEST_SKIP() << "no fused multiply-add on this processor";
    }
    constexpr size_t kFrames = 60 * 44100;
    const std::vector<float> reference = RenderAll(c, Path::kWrittenOrder, kFrames);
    const std::vector<float> fast = RenderAll(c, path, kFrames);
    ASSERT_EQ(fast.size(), reference.size());
    size_t identical = 0;
    double worst = 0.0;
    for (size_t i = 0; i < fast.size(); ++i) {
        identical += std::bit_cast<uint32_t>(fast[i]) == std::bit_cast<uint32_t>(reference[i]) ? 1 : 0;
        worst = std::max(worst, std::fabs(static_cast<double>(fast[i]) - reference[i]));
    }
    const double share = static_cast<double>(identical) / static_cast<double>(fast.size());
    EXPECT_GE(share, c.min_identical);
    EXPECT_LE(worst, c.max_difference);
    std::ostringstream measured;
    measured << std::setprecision(9) << "identical " << share << ", worst " << worst;
    RecordProperty("measured", measured.str());
}

// clang-format off
const GoldenCase kGoldenCases[] = {
    GoldenCase{"DefaultsWalksOn", {}, {}, 256,
               {0xd10e40f895b504cdULL, 0x37ce4ef8494489e7ULL},
               {0xd10e40f895b504cdULL, 0xe684b1c701442fb7ULL}},
    GoldenCase{"ShortestPeriods", {{id::kFrequencySetting, 1000}, {id::kSecondaryBarrier, 600}}, {}, 256,
               {0x73922fccff33433bULL, 0x4de938c72e63422aULL},
               {0x73922fccff33433bULL, 0x11da49b8d5560f9aULL}},
    GoldenCase{"Logistic", {}, {id::kLogistic}, 256,
               {0x1fd98a8bfc3ba2f8ULL, 0xb07a1e2e40b87d7eULL},
               {0x1fd98a8bfc3ba2f8ULL, 0x94a12b30322e677cULL}},
    GoldenCase{"Uniform", {}, {id::kUniform}, 256,
               {0x44337545ffa44a63ULL, 0x377f885ca397830dULL},
               {0x44337545ffa44a63ULL, 0xca0c553a810c344cULL}},
    GoldenCase{"ArcSin", {{id::kPrimaryStepSize, 350}}, {id::kArcSin}, 256,
               {0xc87d2a60b9ec6432ULL, 0x46609b0e2a7c6483ULL},
               {0xc87d2a60b9ec6432ULL, 0xd994452d47429fe6ULL}},
    GoldenCase{"ConstantWithRandomBarrier", {{id::kPrimaryStepSize, 500}, {id::kPrimaryStepBarrier, 2}},
               {id::kPriC, id::kSRandom}, 256,
               {0x6ff79e2f0709ca55ULL, 0x56251e5e8d9fc063ULL},
               {0x6ff79e2f0709ca55ULL, 0xd9cc04af5c7bdf90ULL}},
    GoldenCase{"LoudResonant", {{id::kRes, 100}, {id::kMasterVolume, 1500}, {id::kFrq, 3000}}, {}, 256,
               {0x369a04eec4244f2aULL, 0xbab79110b18c6ce0ULL},
               {0xc18e3f0ffff947b0ULL, 0x9ccbaf7c08f13e3cULL}, false, 0.997, 0.1},
    GoldenCase{"StopPlayAndSliders", {}, {}, 97,
               {0xa2c1cc32dc65cd1eULL, 0x3c901cf3e7e0f668ULL},
               {0xa2c1cc32dc65cd1eULL, 0xff9bd7f4dd00e864ULL}, true},
};
// clang-format on

const auto kPathCases =
    ::testing::Combine(::testing::ValuesIn(kGoldenCases), ::testing::Values(Path::kPlain, Path::kFused));
INSTANTIATE_TEST_SUITE_P(FixedSeeds, GoldenRender, kPathCases, PathCaseName);
INSTANTIATE_TEST_SUITE_P(FixedSeeds, FilterAccuracy, kPathCases, PathCaseName);

// Where the processor has AVX-512 the fused path shapes sixteen samples a group; the golden hashes
// then hold for that width, and the eight-lane shaping every other FMA processor uses must give the
// same bits, periods starting inside groups included.
TEST(GoldenRenderWidths, EightLaneShapingGivesTheSixteenLaneSamples) {
    if (!Voice::WideShapingRuns()) {
        GTEST_SKIP() << "no AVX-512 on this processor: the fused cases ran eight lanes";
    }
    for (const GoldenCase& c : kGoldenCases) {
        const std::vector<float> wide = RenderAll(c, Path::kFused, size_t{1} << 18, true);
        const std::vector<float> narrow = RenderAll(c, Path::kFused, size_t{1} << 18, false);
        EXPECT_EQ(std::memcmp(wide.data(), narrow.data(), wide.size() * sizeof(float)), 0) << c.name;
    }
}

// Buffer size is the audio system's choice; the samples must not depend on it.
TEST(SeededRender, SameSamplesWhateverTheBufferSize) {
    constexpr size_t kPhase = 1024 * 40;
    const auto render = [](size_t block) {
        auto synth = test::PreparedSynth(4242);
        test::SwitchAllWalks(*synth);
        Move(*synth, id::kRes, 90);
        std::vector<float> out(4 * kPhase);
        for (size_t done = 0; done < out.size(); done += block) {
            if (done % kPhase == 0) {
                synth->controls.TogglePlay(); // Play, Stop, Play, Stop at buffer-independent frames
            }
            synth->Render(out.data() + done, block);
        }
        return out;
    };
    const std::vector<float> single = render(1);
    EXPECT_NE(single[kPhase / 2], 0.0f);
    for (size_t block : {64u, 1024u}) {
        const std::vector<float> other = render(block);
        EXPECT_EQ(std::memcmp(single.data(), other.data(), single.size() * sizeof(float)), 0) << block;
    }
}

} // namespace
} // namespace vortane
