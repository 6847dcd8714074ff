// The audio path under load: walks on, period starts on nearly every sample, start resets. Built
// with -fsanitize=realtime, every buffer runs inside a nonblocking function, so that one malloc,
// lock or blocking system call anywhere below Render aborts the process (exit code 43).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <string_view>

#include "engine/control_ids.h"
#include "engine/engine.h"
#include "engine/output_stage.h"
#include "engine/realtime.h"
#include "render/offline_render.h"

namespace vortane {
namespace {

constexpr unsigned long kBufferFrames = 256;
constexpr int kBuffers = 400; // about 2.3 s of sound per case

void RenderRealtime(Engine& engine, float* out, unsigned long frame_count) noexcept VORTANE_NONBLOCKING {
    Render(engine, out, frame_count);
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
// control-point walks then run on almost every sample.
TEST_P(RealtimePath, ShortestPeriodsWithAllWalksStayFiniteAndClean) {
    const WalkCase& c = GetParam();
    const std::array settings = {
        ControlSetting{id::kFrequencySetting, 1000},
        ControlSetting{id::kSecondaryBarrier, 600},
        ControlSetting{id::kMasterVolume, 1500},
        ControlSetting{id::kX1On, 1},
        ControlSetting{id::kY1On, 1},
        ControlSetting{id::kX2On, 1},
        ControlSetting{id::kY2On, 1},
        ControlSetting{id::kX1Negative, 1},
        ControlSetting{c.distribution, 1},
        ControlSetting{c.walk_mode, 1},
        ControlSetting{c.behaviour, 1},
    };
    auto engine = std::make_unique<Engine>();
    PrepareRender(*engine, 20240601, settings);

    std::array<float, kBufferFrames> buffer{};
    double energy = 0.0;
    for (int b = 0; b < kBuffers; ++b) {
        if (b % 100 == 50) {
            // A released last note: the gate closes and the next opening starts afresh.
            Put(engine->state.start_done, 0);
        }
        RenderRealtime(*engine, buffer.data(), buffer.size());
        for (float s : buffer) {
            ASSERT_TRUE(std::isfinite(s)) << "buffer " << b;
            energy += static_cast<double>(s) * s;
        }
    }
    EXPECT_GT(energy, 0.0);
    EXPECT_GE(Get(engine->state.period_length), 1);
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
