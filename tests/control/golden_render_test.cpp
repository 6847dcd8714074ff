#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "synth_test_util.h"

namespace vortane {
namespace {

using test::Move;
using Path = MasterFilter::Path;

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

// One row per setting: moves made before Play (options by their index) with all four walks on,
// frames per Render call, the samples' hash at the end of each eighth of the render (cumulative, so
// that a failure says where the samples first part), and the end state's hash on the filter's plain
// and fused paths. The fused path's samples hash as the plain path's unless the row gives its own.
// The Stop/Play row keeps the walks off and gets its events from StopPlayAndSliders.
constexpr size_t kSegments = 8;
using SegmentHashes = std::array<uint64_t, kSegments>;
struct GoldenCase {
    const char* name;
    std::vector<std::pair<ParamId, int>> moves;
    size_t block;
    SegmentHashes samples;
    uint64_t plain_state, fused_state;
    SegmentHashes fused_samples = {};
    bool stop_play = false;
};

using P = ParamId;
// clang-format off
const GoldenCase kGoldenCases[] = {
    {"DefaultsWalksOn", {}, 256,
     {0xdbc19f306b78d990, 0xd3a0e47c6ef64849, 0xe2a352767d8b433f, 0xde813ff7d98795dc, 0x1a5f48724b1ee8a0,
      0x944f87001778c63c, 0x368625bea66133df, 0xd10e40f895b504cd}, 0x37ce4ef8494489e7, 0xe684b1c701442fb7},
    {"ShortestPeriods", {{P::FrequencySetting, 1000}, {P::SecondaryBarrier, 600}}, 256,
     {0x6ad532a82f55aa58, 0xff6d9d6f96540302, 0x8c32038364020c44, 0x4dc952ec1beef7e2, 0xc615c25b760acff9,
      0xe7f44ae6296634bc, 0xf59093fe42902a08, 0x73922fccff33433b}, 0x4de938c72e63422a, 0x11da49b8d5560f9a},
    {"Logistic", {{P::Distribution, 1}}, 256,
     {0xa51b64382b0106f1, 0xbb8aef35def1863f, 0x264d197fcbba5205, 0xa5ed9d132ab14b0f, 0xf32bf5786706d2c7,
      0x9e1c29a89041bc5f, 0x873e0adacf8f73c0, 0x1fd98a8bfc3ba2f8}, 0xb07a1e2e40b87d7e, 0x94a12b30322e677c},
    {"Uniform", {{P::Distribution, 2}}, 256,
     {0xa20a463a7b66149a, 0x3b90d0930a0d863f, 0x9b8c626da751c705, 0x93f9281edbe9e255, 0x21e4619f284cc5e1,
      0x134552dc1613f795, 0x1f4f1c785f4f2687, 0x44337545ffa44a63}, 0x377f885ca397830d, 0xca0c553a810c344c},
    {"ArcSin", {{P::PrimaryStepSize, 350}, {P::Distribution, 3}}, 256,
     {0x8eae2614493e5a7a, 0x81fcc7c75649e0a8, 0x2881d0535aabc93c, 0xb2a1df3c3d2f1f2c, 0x55f75d3cff333941,
      0xb26a31bb3a267acd, 0xd44d369aac4dd4f2, 0xc87d2a60b9ec6432}, 0x46609b0e2a7c6483, 0xd994452d47429fe6},
    {"ConstantWithRandomBarrier", {{P::PrimaryStepSize, 500}, {P::PrimaryStepBarrier, 2}, {P::WalkMode, 2},
                                   {P::Behaviour, 1}}, 256,
     {0xc792cd54aba517e3, 0x6133898e2e7ed1fe, 0xa2ef03502ea69b3e, 0xa5f295c438cd7c8a, 0xf97e175df0d53827,
      0xaf04132cefd1d5b7, 0x757b09c460057fca, 0x6ff79e2f0709ca55}, 0x56251e5e8d9fc063, 0xd9cc04af5c7bdf90},
    {"LoudResonant", {{P::Res, 100}, {P::MasterVolume, 1500}, {P::Frq, 3000}}, 256,
     {0x400670be92b6c8f4, 0x1fc95829192986c, 0x8d72d7f611cf5f9b, 0xc8f4e24d4d1a3e61, 0x974da47333dd2049,
      0xe90aec4118247f9e, 0xb4f327bfe35065f4, 0x369a04eec4244f2a}, 0xbab79110b18c6ce0, 0x9ccbaf7c08f13e3c,
     {0x741dff0acb1d00dd, 0xb2d010753d801d1c, 0x38e15278f582ebeb, 0x4d916eaf2d7652a7, 0x81817e8f4ee0bccf,
      0xc8c7f84b0ef6bf23, 0xf267af15f9946b13, 0xc18e3f0ffff947b0}},
    {"StopPlayAndSliders", {}, 97,
     {0x18983eee8699ccf6, 0x98dc9dfcf0499298, 0xca5b6383b0157921, 0x1dc1d52dcbe83e5a, 0x8f018359f89db1a2,
      0xb48cc000a25e1df3, 0xa8008614affa5dfa, 0xa2c1cc32dc65cd1e}, 0x3c901cf3e7e0f668, 0xff9bd7f4dd00e864,
     {}, true},
};
// clang-format on

// Before buffer i of n: Stop, Play again (no fade-in, the period runs on), sliders moved while
// playing, then a fresh start reset as a MIDI note makes it.
void StopPlayAndSliders(Synth& e, size_t i, size_t n) {
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

// Fixed seeds, about 24 seconds each (thousands of periods): every sample and the final state
// must match, bit for bit, the constants recorded on each of the filter's two fast paths (the fused
// one only on a processor with FMA). Any change of the audio path that reorders float operations
// shows up here; how far both paths may stand from the filter's written order is the filter's test.
TEST(GoldenRender, SamplesAndEndStateAreBitIdentical) {
    constexpr size_t kFrames = size_t{1} << 20;
    for (const GoldenCase& c : kGoldenCases) {
        for (Path path : {Path::kPlain, Path::kFused}) {
            if (path == Path::kFused && MasterFilter::FastestPath() != Path::kFused) {
                continue;
            }
            const std::string name = std::string(c.name) + (path == Path::kFused ? " fused" : " plain");
            const size_t per_segment = kFrames / c.block / kSegments;
            Fnv1a hash;
            SegmentHashes actual{};
            size_t buffers = 0;
            const auto synth = RenderCase(c, path, kFrames, [&](const std::vector<float>& b) {
                for (float v : b) {
                    hash.Add(v);
                }
                if (++buffers % per_segment == 0 && buffers / per_segment < kSegments) {
                    actual[buffers / per_segment - 1] = hash.value;
                }
            });
            actual.back() = hash.value; // the last eighth runs to the end
            const uint64_t state = EndStateHash(synth->voice);
            const bool fused = path == Path::kFused;
            const SegmentHashes& expected = fused && c.fused_samples[0] != 0 ? c.fused_samples : c.samples;
            const uint64_t expected_state = fused ? c.fused_state : c.plain_state;
            const auto segment = static_cast<size_t>(
                std::mismatch(actual.begin(), actual.end(), expected.begin()).first - actual.begin());
            EXPECT_EQ(segment, kSegments)
                << name << ": samples first differ in frames " << segment * per_segment * c.block << " to "
                << std::min(kFrames, (segment + 1) * per_segment * c.block);
            EXPECT_EQ(state, expected_state) << name << ": end state";
            if (segment != kSegments || state != expected_state) {
                std::ostringstream now; // what to record, once the change is known to be meant
                now << std::hex;
                for (uint64_t h : actual) {
                    now << "0x" << h << ", ";
                }
                now << "state 0x" << state;
                std::cerr << name << ": " << now.str() << "\n";
            }
        }
    }
}

// Where the processor has AVX-512 the fused path shapes sixteen samples a group; the golden hashes
// then hold for that width, and the eight-lane shaping every other FMA processor uses must give the
// same bits, periods starting inside groups included.
TEST(GoldenRenderWidths, EightLaneShapingGivesTheSixteenLaneSamples) {
    if (!Voice::WideShapingRuns()) {
        GTEST_SKIP() << "no AVX-512 on this processor: the fused cases ran eight lanes";
    }
    for (const GoldenCase& c : kGoldenCases) {
        std::vector<float> out[2];
        for (bool wide : {false, true}) {
            const auto append = [&](const auto& b) { out[wide].insert(out[wide].end(), b.begin(), b.end()); };
            RenderCase(c, Path::kFused, size_t{1} << 18, append, wide);
        }
        EXPECT_EQ(std::memcmp(out[0].data(), out[1].data(), out[0].size() * sizeof(float)), 0) << c.name;
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
