#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iostream>
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
// The samples' hash is cumulative, taken at the end of each eighth of the render, so that a failure
// says where the samples first part; the last one covers every sample.
constexpr size_t kSegments = 8;
struct Hashes {
    std::array<uint64_t, kSegments> samples;
    uint64_t state;
};
struct GoldenCase {
    const char* name;
    std::vector<std::pair<ParamId, int>> moves; // options too, by their index
    size_t block;                               // frames per Render call
    Hashes plain;                               // on the filter's plain path
    Hashes fused;                               // on its fused multiply-add path
    bool stop_play = false;
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
    using P = ParamId;
    if (i == n / 4 || i == n / 4 + 50) {
        e.transport.TogglePlay();
    } else if (i == n / 2) {
        // clang-format off
        const std::pair<ParamId, int> moves[] = {{P::Y1, 30}, {P::X2, 40}, {P::MasterVolume, 977},
            {P::Res, 80}, {P::Frq, 420}, {P::FrequencySetting, 555}, {P::SecondaryBarrier, 123},
            {P::X1StepSize, 100}, {P::Y2Negative, 1}, {P::Y2On, 1}};
        // clang-format on
        for (auto [id, value] : moves) {
            Move(e, id, value);
        }
    } else if (i == 3 * n / 4) {
        e.transport.CloseGateForRestart(); // the last note released, then a new one
        e.transport.OpenGateByNote();
    }
}

// A case's settings, Play, then buffers until frames have been rendered; each buffer goes to sink.
template <class Sink>
std::unique_ptr<Synth> RenderCase(const GoldenCase& c, Path path, size_t frames, Sink&& sink,
                                  bool wide_shaping = true) {
    auto synth = test::PreparedSynth(20240611, VoiceOptions{path, wide_shaping});
    Synth& e = *synth;
    if (!c.stop_play) {
        test::SwitchAllWalks(e);
    }
    for (auto [id, value] : c.moves) {
        Move(e, id, value);
    }
    e.transport.TogglePlay();
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
// change of the audio path that reorders float operations shows up here; how far both paths may
// stand from the filter's written order is the filter's own test.
TEST_P(GoldenRender, SamplesAndEndStateAreBitIdentical) {
    const auto& [c, path] = GetParam();
    if (!Runs(path)) {
        GTEST_SKIP() << "no fused multiply-add on this processor";
    }
    constexpr size_t kFrames = size_t{1} << 20;
    const size_t per_segment = kFrames / c.block / kSegments;
    Fnv1a hash;
    Hashes actual{};
    size_t buffers = 0;
    const auto synth = RenderCase(c, path, kFrames, [&](const std::vector<float>& b) {
        for (float v : b) {
            hash.Add(v);
        }
        if (++buffers % per_segment == 0 && buffers / per_segment < kSegments) {
            actual.samples[buffers / per_segment - 1] = hash.value;
        }
    });
    actual.samples.back() = hash.value; // the last eighth runs to the end
    actual.state = EndStateHash(synth->voice);
    const Hashes& expected = path == Path::kFused ? c.fused : c.plain;
    const auto first = std::mismatch(actual.samples.begin(), actual.samples.end(), expected.samples.begin());
    if (first.first != actual.samples.end()) {
        const auto segment = static_cast<size_t>(first.first - actual.samples.begin());
        ADD_FAILURE() << "samples first differ in frames " << segment * per_segment * c.block << " to "
                      << (segment + 1 == kSegments ? kFrames : (segment + 1) * per_segment * c.block);
    }
    EXPECT_EQ(actual.state, expected.state) << "end state";
    if (HasFailure()) {
        std::ostringstream now; // what to record, once the change is known to be meant
        now << std::hex << "{{";
        for (const uint64_t& h : actual.samples) {
            now << "0x" << h << (&h == &actual.samples.back() ? "}, " : ", ");
        }
        now << "0x" << actual.state << "}";
        RecordProperty("hashes", now.str());
        std::cerr << c.name << ": " << now.str() << "\n";
    }
}

using P = ParamId;
// clang-format off
const GoldenCase kGoldenCases[] = {
    GoldenCase{"DefaultsWalksOn", {}, 256,
               {{0xdbc19f306b78d990ULL, 0xd3a0e47c6ef64849ULL, 0xe2a352767d8b433fULL, 0xde813ff7d98795dcULL,
                 0x1a5f48724b1ee8a0ULL, 0x944f87001778c63cULL, 0x368625bea66133dfULL, 0xd10e40f895b504cdULL},
                0x37ce4ef8494489e7ULL},
               {{0xdbc19f306b78d990ULL, 0xd3a0e47c6ef64849ULL, 0xe2a352767d8b433fULL, 0xde813ff7d98795dcULL,
                 0x1a5f48724b1ee8a0ULL, 0x944f87001778c63cULL, 0x368625bea66133dfULL, 0xd10e40f895b504cdULL},
                0xe684b1c701442fb7ULL}},
    GoldenCase{"ShortestPeriods", {{P::FrequencySetting, 1000}, {P::SecondaryBarrier, 600}}, 256,
               {{0x6ad532a82f55aa58ULL, 0xff6d9d6f96540302ULL, 0x8c32038364020c44ULL, 0x4dc952ec1beef7e2ULL,
                 0xc615c25b760acff9ULL, 0xe7f44ae6296634bcULL, 0xf59093fe42902a08ULL, 0x73922fccff33433bULL},
                0x4de938c72e63422aULL},
               {{0x6ad532a82f55aa58ULL, 0xff6d9d6f96540302ULL, 0x8c32038364020c44ULL, 0x4dc952ec1beef7e2ULL,
                 0xc615c25b760acff9ULL, 0xe7f44ae6296634bcULL, 0xf59093fe42902a08ULL, 0x73922fccff33433bULL},
                0x11da49b8d5560f9aULL}},
    GoldenCase{"Logistic", {{P::Distribution, 1}}, 256,
               {{0xa51b64382b0106f1ULL, 0xbb8aef35def1863fULL, 0x264d197fcbba5205ULL, 0xa5ed9d132ab14b0fULL,
                 0xf32bf5786706d2c7ULL, 0x9e1c29a89041bc5fULL, 0x873e0adacf8f73c0ULL, 0x1fd98a8bfc3ba2f8ULL},
                0xb07a1e2e40b87d7eULL},
               {{0xa51b64382b0106f1ULL, 0xbb8aef35def1863fULL, 0x264d197fcbba5205ULL, 0xa5ed9d132ab14b0fULL,
                 0xf32bf5786706d2c7ULL, 0x9e1c29a89041bc5fULL, 0x873e0adacf8f73c0ULL, 0x1fd98a8bfc3ba2f8ULL},
                0x94a12b30322e677cULL}},
    GoldenCase{"Uniform", {{P::Distribution, 2}}, 256,
               {{0xa20a463a7b66149aULL, 0x3b90d0930a0d863fULL, 0x9b8c626da751c705ULL, 0x93f9281edbe9e255ULL,
                 0x21e4619f284cc5e1ULL, 0x134552dc1613f795ULL, 0x1f4f1c785f4f2687ULL, 0x44337545ffa44a63ULL},
                0x377f885ca397830dULL},
               {{0xa20a463a7b66149aULL, 0x3b90d0930a0d863fULL, 0x9b8c626da751c705ULL, 0x93f9281edbe9e255ULL,
                 0x21e4619f284cc5e1ULL, 0x134552dc1613f795ULL, 0x1f4f1c785f4f2687ULL, 0x44337545ffa44a63ULL},
                0xca0c553a810c344cULL}},
    GoldenCase{"ArcSin", {{P::PrimaryStepSize, 350}, {P::Distribution, 3}}, 256,
               {{0x8eae2614493e5a7aULL, 0x81fcc7c75649e0a8ULL, 0x2881d0535aabc93cULL, 0xb2a1df3c3d2f1f2cULL,
                 0x55f75d3cff333941ULL, 0xb26a31bb3a267acdULL, 0xd44d369aac4dd4f2ULL, 0xc87d2a60b9ec6432ULL},
                0x46609b0e2a7c6483ULL},
               {{0x8eae2614493e5a7aULL, 0x81fcc7c75649e0a8ULL, 0x2881d0535aabc93cULL, 0xb2a1df3c3d2f1f2cULL,
                 0x55f75d3cff333941ULL, 0xb26a31bb3a267acdULL, 0xd44d369aac4dd4f2ULL, 0xc87d2a60b9ec6432ULL},
                0xd994452d47429fe6ULL}},
    GoldenCase{"ConstantWithRandomBarrier", {{P::PrimaryStepSize, 500}, {P::PrimaryStepBarrier, 2},
               {P::WalkMode, 2}, {P::Behaviour, 1}}, 256,
               {{0xc792cd54aba517e3ULL, 0x6133898e2e7ed1feULL, 0xa2ef03502ea69b3eULL, 0xa5f295c438cd7c8aULL,
                 0xf97e175df0d53827ULL, 0xaf04132cefd1d5b7ULL, 0x757b09c460057fcaULL, 0x6ff79e2f0709ca55ULL},
                0x56251e5e8d9fc063ULL},
               {{0xc792cd54aba517e3ULL, 0x6133898e2e7ed1feULL, 0xa2ef03502ea69b3eULL, 0xa5f295c438cd7c8aULL,
                 0xf97e175df0d53827ULL, 0xaf04132cefd1d5b7ULL, 0x757b09c460057fcaULL, 0x6ff79e2f0709ca55ULL},
                0xd9cc04af5c7bdf90ULL}},
    GoldenCase{"LoudResonant", {{P::Res, 100}, {P::MasterVolume, 1500}, {P::Frq, 3000}}, 256,
               {{0x400670be92b6c8f4ULL, 0x1fc95829192986cULL, 0x8d72d7f611cf5f9bULL, 0xc8f4e24d4d1a3e61ULL,
                 0x974da47333dd2049ULL, 0xe90aec4118247f9eULL, 0xb4f327bfe35065f4ULL, 0x369a04eec4244f2aULL},
                0xbab79110b18c6ce0ULL},
               {{0x741dff0acb1d00ddULL, 0xb2d010753d801d1cULL, 0x38e15278f582ebebULL, 0x4d916eaf2d7652a7ULL,
                 0x81817e8f4ee0bccfULL, 0xc8c7f84b0ef6bf23ULL, 0xf267af15f9946b13ULL, 0xc18e3f0ffff947b0ULL},
                0x9ccbaf7c08f13e3cULL}},
    GoldenCase{"StopPlayAndSliders", {}, 97,
               {{0x18983eee8699ccf6ULL, 0x98dc9dfcf0499298ULL, 0xca5b6383b0157921ULL, 0x1dc1d52dcbe83e5aULL,
                 0x8f018359f89db1a2ULL, 0xb48cc000a25e1df3ULL, 0xa8008614affa5dfaULL, 0xa2c1cc32dc65cd1eULL},
                0x3c901cf3e7e0f668ULL},
               {{0x18983eee8699ccf6ULL, 0x98dc9dfcf0499298ULL, 0xca5b6383b0157921ULL, 0x1dc1d52dcbe83e5aULL,
                 0x8f018359f89db1a2ULL, 0xb48cc000a25e1df3ULL, 0xa8008614affa5dfaULL, 0xa2c1cc32dc65cd1eULL},
                0xff9bd7f4dd00e864ULL}, true},
};
// clang-format on

const auto kPathCases =
    ::testing::Combine(::testing::ValuesIn(kGoldenCases), ::testing::Values(Path::kPlain, Path::kFused));
INSTANTIATE_TEST_SUITE_P(FixedSeeds, GoldenRender, kPathCases, PathCaseName);

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
        Move(*synth, ParamId::Res, 90);
        std::vector<float> out(4 * kPhase);
        for (size_t done = 0; done < out.size(); done += block) {
            if (done % kPhase == 0) {
                synth->transport.TogglePlay(); // Play, Stop, Play, Stop at buffer-independent frames
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
