// Pitch mode: notes at their pitch, voices, envelopes, the keyboard's controllers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <tuple>
#include <vector>

#include "synth_test_util.h"

namespace vortane {
namespace {

using P = ParamId;

class PitchMode : public ::testing::Test {
protected:
    PitchMode() {
        synth.Init(2024);
        synth.params.Set(P::Keyboard, 1.0f);
        synth.params.Set(P::SecondaryBarrier, 2.0f); // the narrowest width: 0.2 semitones
    }
    void Midi(uint8_t status, uint8_t data1, uint8_t data2) {
        const uint8_t message[3] = {status, data1, data2};
        synth.Midi(message, 3);
    }
    std::vector<float> Render(size_t frames) {
        std::vector<float> out(frames);
        for (size_t done = 0; done < frames; done += 64) {
            synth.Render(out.data() + done, std::min<size_t>(64, frames - done));
        }
        return out;
    }
    // The newest voice's pitch in cents from `hz`: its period lengths, sampled a block apart.
    double CentsFrom(double hz) {
        double sum = 0.0;
        constexpr int kBlocks = 2000;
        std::vector<float> block(64);
        for (int i = 0; i < kBlocks; ++i) {
            synth.Render(block.data(), block.size());
            sum += synth.polyphony().newest()->oscillator().length_in_samples();
        }
        return 1200.0 * std::log2(44100.0 * kBlocks / sum / hz);
    }
    Synth synth;
};

double NoteHz(int key) {
    return 440.0 * std::exp2((key - 69) / 12.0);
}

// The magnitude of one frequency in a signal (Goertzel).
double Magnitude(const std::vector<float>& x, double hz) {
    const double w = 2.0 * std::numbers::pi * hz / 44100.0, c = 2.0 * std::cos(w);
    double s1 = 0.0, s2 = 0.0;
    for (float v : x) {
        const double s0 = v + c * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return std::sqrt(s1 * s1 + s2 * s2 - c * s1 * s2);
}

// A held note's range is centred on its pitch in semitones, on a grid of 1/64 sample: at the
// narrowest width every note from 24 to 96 sounds within 5 cents (a whole sample at 2 kHz is 80).
TEST_F(PitchMode, EveryNoteIsInTuneAtTheNarrowestWidth) {
    double worst = 0.0;
    for (int key = 24; key <= 96; ++key) {
        Midi(0x90, static_cast<uint8_t>(key), 100);
        const double cents = CentsFrom(NoteHz(key));
        worst = std::max(worst, std::fabs(cents));
        EXPECT_LE(std::fabs(cents), 5.0) << "key " << key;
        Midi(0x80, static_cast<uint8_t>(key), 0);
    }
    RecordProperty("worst_cents", std::to_string(worst));
}

// Bend Range 2: the wheel at either end moves every sounding note two semitones.
TEST_F(PitchMode, PitchBendMovesTheNoteByTheBendRange) {
    Midi(0x90, 60, 100);
    Midi(0xE0, 0x7F, 0x7F);
    EXPECT_NEAR(CentsFrom(NoteHz(62)), 0.0, 5.0);
    Midi(0xE0, 0, 0);
    EXPECT_NEAR(CentsFrom(NoteHz(58)), 0.0, 5.0);
    Midi(0xE0, 0, 0x40); // back to the middle
    EXPECT_NEAR(CentsFrom(NoteHz(60)), 0.0, 5.0);
}

// Three keys, three voices: each note's fundamental stands out of its neighbourhood.
TEST_F(PitchMode, AChordSoundsEveryFundamental) {
    for (uint8_t key : {60, 64, 67}) {
        Midi(0x90, key, 100);
    }
    const std::vector<float> chord = Render(2 * 44100);
    EXPECT_EQ(synth.polyphony().sounding(), 3);
    for (int key : {60, 64, 67}) {
        const double at = Magnitude(chord, NoteHz(key));
        for (double off : {-0.5, 0.5}) { // a quarter tone either side
            EXPECT_GT(at, 5.0 * Magnitude(chord, NoteHz(key) * std::exp2(off / 12.0))) << key;
        }
    }
}

// A seventeenth note takes the oldest released note's voice, else the oldest held one's.
TEST_F(PitchMode, ANewNoteTakesTheOldestReleasedVoiceElseTheOldestHeld) {
    synth.params.Set(P::Voices, 16.0f);
    for (uint8_t key = 40; key < 56; ++key) {
        Midi(0x90, key, 100);
    }
    Midi(0x80, 45, 0);
    Midi(0x80, 47, 0);
    Midi(0x90, 60, 100);
    EXPECT_FALSE(synth.polyphony().Sounding(0, 45));
    EXPECT_TRUE(synth.polyphony().Sounding(0, 47));
    Midi(0x90, 61, 100);
    Midi(0x90, 62, 100);
    EXPECT_FALSE(synth.polyphony().Sounding(0, 47));
    EXPECT_FALSE(synth.polyphony().Sounding(0, 40)) << "the oldest held";
    EXPECT_TRUE(synth.polyphony().Sounding(0, 41));
    EXPECT_EQ(synth.polyphony().sounding(), 16);
}

// One voice: the last key held sounds, and a release goes back to a key still held. Once silent,
// its next note starts with a period of its own pitch, not the last note's length, an octave away.
TEST_F(PitchMode, OneVoicePlaysTheLastKeyAndANotesFirstPeriodIsItsOwn) {
    synth.params.Set(P::Voices, 1.0f);
    Midi(0x90, 60, 100);
    Midi(0x90, 64, 100);
    EXPECT_NEAR(CentsFrom(NoteHz(64)), 0.0, 5.0);
    Midi(0x80, 64, 0);
    EXPECT_NEAR(CentsFrom(NoteHz(60)), 0.0, 5.0);
    EXPECT_EQ(synth.polyphony().sounding(), 1);
    Midi(0x80, 60, 0);
    Render(44100); // the release is over: the voice is silent
    ASSERT_EQ(synth.polyphony().sounding(), 0);
    Midi(0x90, 48, 100);
    Render(64);
    const double hz = 44100.0 / synth.polyphony().newest()->oscillator().length_in_samples();
    EXPECT_NEAR(1200.0 * std::log2(hz / NoteHz(48)), 0.0, 10.0);
}

// The pedal holds a released note until it goes up; all notes off releases every note of the
// channel; every release dies away.
TEST_F(PitchMode, SustainPedalHoldsAndAllNotesOffReleases) {
    synth.params.Set(P::Release, 50.0f);
    Midi(0x90, 60, 100);
    Midi(0xB0, 64, 127);
    Midi(0x80, 60, 0);
    Render(44100);
    EXPECT_TRUE(synth.polyphony().Sounding(0, 60));
    Midi(0xB0, 64, 0);
    Midi(0x91, 62, 100);
    Midi(0xB1, 123, 0);
    Render(44100);
    EXPECT_EQ(synth.polyphony().sounding(), 0);
    EXPECT_TRUE(synth.Silent() || !std::isnan(Render(1)[0]));
}

// A note-off releases without a step: no step between samples during the release is larger than
// the largest while the note played.
TEST_F(PitchMode, AReleaseNeverSteps) {
    synth.params.Set(P::SecondaryBarrier, 360.0f);
    synth.params.Set(P::Release, 30.0f);
    const auto largest_step = [](const std::vector<float>& x) {
        float step = 0.0f;
        for (size_t i = 1; i < x.size(); ++i) {
            step = std::max(step, std::fabs(x[i] - x[i - 1]));
        }
        return step;
    };
    for (uint8_t key : {36, 60, 84}) {
        Midi(0x90, key, 127);
        std::vector<float> held = Render(22050);
        Midi(0x80, key, 0);
        std::vector<float> released = Render(22050);
        released.insert(released.begin(), held.back());
        EXPECT_LE(largest_step(released), largest_step(held)) << int{key};
    }
}

// At Velocity 100 % the level follows (velocity/127)²: the same voice, 32 against 127.
TEST_F(PitchMode, VelocityScalesTheLevel) {
    synth.params.Set(P::Velocity, 100.0f);
    const auto rms = [this](uint8_t velocity) {
        synth.Restart(9);
        synth.params.Set(P::Keyboard, 1.0f);
        Midi(0x90, 60, velocity);
        const std::vector<float> x = Render(44100);
        double sum = 0.0;
        for (float v : x) {
            sum += static_cast<double>(v) * v;
        }
        return std::sqrt(sum / static_cast<double>(x.size()));
    };
    EXPECT_NEAR(rms(32) / rms(127), (32.0 / 127.0) * (32.0 / 127.0), 1e-4);
}

// Voices played together run side by side in lanes (VoiceLanes); each lane must hold its voice's
// samples exactly as the voice rendered alone, at every width the processor runs and the narrower
// ones, on either filter path. A chord grows note by note to sixteen and past (stealing), each
// note with its fade-in, then shrinks as they are released and die away, the filter moving and a
// bend meanwhile; then short notes of one or two voices.
class VoicesSideBySide : public ::testing::TestWithParam<std::tuple<MasterFilter::Path, int>> {};

TEST_P(VoicesSideBySide, EachLaneIsItsVoiceRenderedAlone) {
    const auto [path, width] = GetParam();
    if (!VoiceLanes::Runs(path, width) ||
        (path != MasterFilter::FastestPath() && path != MasterFilter::Path::kPlain)) {
        GTEST_SKIP() << "not on this processor";
    }
    const auto render = [path](int lane_width) {
        Synth synth;
        synth.Init(31, {path, true, lane_width});
        for (auto [id, value] : {std::pair{P::Keyboard, 1.0f},
                                 {P::Voices, 16.0f},
                                 {P::Release, 40.0f},
                                 {P::X1On, 1.0f},
                                 {P::Y2On, 1.0f},
                                 {P::Res, 70.0f}}) {
            synth.params.Set(id, value);
        }
        constexpr size_t kBlock = 100, kBlocks = 600;
        std::vector<float> out(kBlock * kBlocks);
        for (size_t block = 0; block < kBlocks; ++block) {
            const auto key = [](size_t note) { return static_cast<uint8_t>(30 + note * 7 % 64); };
            const uint8_t on[3] = {0x90, key(block / 10), static_cast<uint8_t>(20 + block % 100)};
            const uint8_t off[3] = {0x80, key(block < 400 ? block / 10 - 20 : block / 10 - 1), 0};
            if (block % 10 == 0 && (block < 200 || block >= 400)) {
                synth.Midi(on, 3);
            } else if (block % 10 == 5 && block >= 200) {
                synth.Midi(off, 3);
            }
            if (block % 150 == 100) {
                synth.params.Set(P::Frq, static_cast<float>(500 + 5 * block));
                synth.params.Set(P::Res, static_cast<float>(block / 10));
            }
            if (block == 250) {
                const uint8_t bend[3] = {0xE0, 0, 0x50};
                synth.Midi(bend, 3);
            }
            synth.Render(out.data() + block * kBlock, kBlock);
        }
        return out;
    };
    const std::vector<float> alone = render(1);
    EXPECT_EQ(std::memcmp(alone.data(), render(width).data(), alone.size() * sizeof(float)), 0);
}

INSTANTIATE_TEST_SUITE_P(Widths, VoicesSideBySide,
                         ::testing::Combine(::testing::Values(MasterFilter::Path::kPlain,
                                                              MasterFilter::Path::kFused),
                                            ::testing::Values(2, 4, 8)),
                         [](const auto& info) {
                             const bool fused = std::get<0>(info.param) == MasterFilter::Path::kFused;
                             return (fused ? "Fused" : "Plain") + std::to_string(std::get<1>(info.param));
                         });

} // namespace
} // namespace vortane
