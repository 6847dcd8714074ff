#include "plugin/host_rate_voice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/polyphase_resampler.h"

namespace vortane::plugin {
namespace {

constexpr double kIn = 44100.0;

// At a host rate a note sounds exactly Latency() frames late at any block size, and alike at any
// frame after a silence: the output is, to the bit, silence up to the note's frame t, then the
// 44.1 kHz voice with its gate opened at voice frame round(L·44100 / rate) (and closed
// correspondingly later) resampled offline, as if both clocks started at t.
void ScheduleNote(HostRateVoice& host, uint32_t frame, bool on) {
    const uint8_t note[3] = {0x90, 60, static_cast<uint8_t>(on ? 100 : 0)};
    host.ScheduleMidi(frame, note, 3);
}

TEST(HostRateVoiceTiming, ANoteSoundsExactlyTheLatencyLateInAFixedPhase) {
    constexpr uint32_t kOn = 1234, kOff = 4321;
    constexpr size_t kOut = 6000;
    for (const double rate : {48000.0, 96000.0, 47999.5}) {
        HostRateVoice host;
        std::vector<float> first;
        for (const size_t block : {512, 100, 1, 37}) {
            for (const uint32_t shift : {0u, 77u}) { // where the note falls against the clocks' grid
                ASSERT_TRUE(host.Activate(rate, 99));
                std::vector<float> out(kOut + shift);
                for (size_t o = 0; o < out.size(); o += block) {
                    const size_t n = std::min(block, out.size() - o);
                    for (const uint32_t t : {kOn + shift, kOff + shift}) {
                        if (t >= o && t < o + n) {
                            ScheduleNote(host, static_cast<uint32_t>(t - o), t == kOn + shift);
                        }
                    }
                    host.Process(out.data() + o, static_cast<uint32_t>(n));
                }
                out.erase(out.begin(), out.begin() + shift);
                if (first.empty()) {
                    first = out;
                }
                EXPECT_EQ(out, first) << rate << " Hz in blocks of " << block << ", " << shift << " later";
            }
        }
        EXPECT_GT(*std::max_element(first.begin(), first.end()), 0.01f);
        EXPECT_TRUE(std::all_of(first.begin(), first.begin() + kOn, [](float x) { return x == 0.0f; }));

        HostRateVoice voice;
        ASSERT_TRUE(voice.Activate(kIn, 99));
        EXPECT_EQ(voice.Latency(), 0u);
        std::vector<float> v(static_cast<size_t>(kOut * kIn / rate) + 200);
        for (const uint32_t t : {kOn, kOff}) {
            ScheduleNote(voice, static_cast<uint32_t>(std::llround((t - kOn + host.Latency()) * kIn / rate)),
                         t == kOn);
        }
        voice.Process(v.data(), static_cast<uint32_t>(v.size()));
        PolyphaseResampler offline;
        ASSERT_TRUE(offline.Init(kIn, rate, v.size()));
        ASSERT_EQ(offline.Write(v.data(), v.size()), v.size());
        std::vector<float> reference(kOut - kOn);
        ASSERT_EQ(offline.Render(reference.data(), reference.size()), reference.size());
        EXPECT_EQ(std::vector<float>(first.begin() + kOn, first.end()), reference) << rate << " Hz";
    }
}

} // namespace
} // namespace vortane::plugin
