// The audio path under load: walks on, period starts on nearly every sample, start resets. Built
// with -fsanitize=realtime, every buffer runs inside a nonblocking function, so that one malloc,
// lock or blocking system call anywhere below Render aborts the process (exit code 43).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <string_view>

#include "base/realtime.h"
#include "control/control_ids.h"
#include "control/synth.h"
#include "render/offline_render.h"

namespace vortane {
namespace {

constexpr unsigned long kBufferFrames = 256;
constexpr int kBuffers = 400; // about 2.3 s of sound per case

void RenderRealtime(Synth& synth, float* out, size_t size) noexcept VORTANE_NONBLOCKING {
    synth.Render(out, size);
}

struct WalkCase {
    std::string_view name;
    int distribution;
    int walk_mode;
    int behaviour;
};

void PrintTo(const WalkCase& c, std::ostream* os) {
    *os << c.name;
}

class RealtimePath : public testing::TestWithParam<WalkCase> {};

// F = 1000 and D = 60 make the shortest period one sample: the period walk and all four
// control-point walks then run on almost every sample, at the loudest and most resonant settings.
TEST_P(RealtimePath, ShortestPeriodsWithAllWalksStayFiniteAndClean) {
    const WalkCase& c = GetParam();
    const std::array settings = {
        ControlSetting{id::kFrequencySetting, 1000},
        ControlSetting{id::kSecondaryBarrier, 600},
        ControlSetting{id::kMasterVolume, 1500},
        ControlSetting{id::kRes, 100},
        ControlSetting{id::kFrq, 5000},
        ControlSetting{id::kX1On, 1},
        ControlSetting{id::kY1On, 1},
        ControlSetting{id::kX2On, 1},
        ControlSetting{id::kY2On, 1},
        ControlSetting{id::kX1Negative, 1},
        ControlSetting{c.distribution, 1},
        ControlSetting{c.walk_mode, 1},
        ControlSetting{c.behaviour, 1},
    };
    auto synth = std::make_unique<Synth>();
    PrepareRender(*synth, 20240601, settings);

    std::array<float, kBufferFrames> buffer{};
    double energy = 0.0;
    for (int b = 0; b < kBuffers; ++b) {
        if (b % 100 == 50) {
            // A released last note: the gate closes and the next opening starts afresh.
            synth->controls.CloseGateForRestart();
            synth->controls.OpenGateByNote();
        }
        if (b % 100 == 75) {
            synth->controls.panel().SetState(id::kY2, 149); // a slider's write, landing in the next block
            synth->controls.ApplyControlEvent(id::kY2);
        }
        RenderRealtime(*synth, buffer.data(), buffer.size());
        for (float s : buffer) {
            ASSERT_TRUE(std::isfinite(s)) << "buffer " << b;
            energy += static_cast<double>(s) * s;
        }
    }
    EXPECT_GT(energy, 0.0);
    EXPECT_GE(synth->voice.oscillator().length(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Walks, RealtimePath,
    testing::Values(WalkCase{"CauchyPriWSMirror", id::kCauchy, id::kPriW, id::kSMirror},
                    WalkCase{"LogisticPriRSRandom", id::kLogistic, id::kPriR, id::kSRandom},
                    WalkCase{"UniformPriCSCentred", id::kUniform, id::kPriC, id::kSCentred},
                    WalkCase{"ArcSinPriWSOppLimits", id::kArcSin, id::kPriW, id::kSOppLimits},
                    WalkCase{"CauchyPriCSLoMirHiLo", id::kCauchy, id::kPriC, id::kSLoMirHiLo},
                    WalkCase{"LogisticPriWSOnLimits", id::kLogistic, id::kPriW, id::kSOnLimits}),
    [](const testing::TestParamInfo<WalkCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace vortane
