#include "plugin/host_rate_voice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/polyphase_resampler.h"

namespace vortane::plugin {
namespace {

constexpr double kIn = 44100.0;

// At a host rate a note sounds exactly Latency() frames late at any block size, even when it comes
// in a later block: the output is, to the bit, the 44.1 kHz voice with the gate moved to voice frame
// round((t + L)·44100 / rate), resampled offline.
TEST(HostRateVoiceTiming, ANoteSoundsExactlyTheLatencyLate) {
    constexpr uint32_t kOn = 1234, kOff = 4321;
    constexpr size_t kOut = 6000;
    for (const double rate : {48000.0, 96000.0, 47999.5}) {
        HostRateVoice host;
        std::vector<float> first;
        for (const size_t block : {512, 100, 1, 37}) {
            ASSERT_TRUE(host.Activate(rate, 99));
            std::vector<float> out(kOut);
            for (size_t o = 0; o < kOut; o += block) {
                const size_t n = std::min(block, kOut - o);
                for (const uint32_t t : {kOn, kOff}) {
                    if (t >= o && t < o + n) {
                        host.ScheduleGate(static_cast<uint32_t>(t - o), t == kOn);
                    }
                }
                host.Process(out.data() + o, static_cast<uint32_t>(n));
            }
            if (first.empty()) {
                first = out;
            }
            EXPECT_EQ(out, first) << rate << " Hz in blocks of " << block;
        }
        EXPECT_GT(*std::max_element(first.begin(), first.end()), 0.01f);

        HostRateVoice voice;
        ASSERT_TRUE(voice.Activate(kIn, 99));
        EXPECT_EQ(voice.Latency(), 0u);
        std::vector<float> v(static_cast<size_t>(kOut * kIn / rate) + 200);
        for (const uint32_t t : {kOn, kOff}) {
            voice.ScheduleGate(static_cast<uint32_t>(std::llround((t + host.Latency()) * kIn / rate)),
                               t == kOn);
        }
        voice.Process(v.data(), static_cast<uint32_t>(v.size()));
        PolyphaseResampler offline;
        ASSERT_TRUE(offline.Init(kIn, rate, v.size()));
        ASSERT_EQ(offline.Write(v.data(), v.size()), v.size());
        std::vector<float> reference(kOut);
        ASSERT_EQ(offline.Render(reference.data(), kOut), kOut);
        EXPECT_EQ(first, reference) << rate << " Hz";
    }
}

} // namespace
} // namespace vortane::plugin
