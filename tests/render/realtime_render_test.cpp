// The audio path under load: walks on, period starts on nearly every sample, start resets. Built
// with -fsanitize=realtime, every buffer runs inside a nonblocking function, so that one malloc,
// lock or blocking system call anywhere below Render aborts the process (exit code 43).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>

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

// F = 1000 and D = 60 make the shortest period one sample: the period walk and all four
// control-point walks then run on almost every sample, at the loudest and most resonant settings,
// under each distribution, walk mode and barrier behaviour.
TEST(RealtimePath, ShortestPeriodsWithAllWalksStayFiniteAndClean) {
    // {distribution, walk mode, behaviour}
    const int kCases[][3] = {
        {id::kCauchy, id::kPriW, id::kSMirror},    {id::kLogistic, id::kPriR, id::kSRandom},
        {id::kUniform, id::kPriC, id::kSCentred},  {id::kArcSin, id::kPriW, id::kSOppLimits},
        {id::kCauchy, id::kPriC, id::kSLoMirHiLo}, {id::kLogistic, id::kPriW, id::kSOnLimits}};
    for (const auto& [distribution, walk_mode, behaviour] : kCases) {
        SCOPED_TRACE(testing::Message() << distribution << " " << walk_mode << " " << behaviour);
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
            ControlSetting{distribution, 1},
            ControlSetting{walk_mode, 1},
            ControlSetting{behaviour, 1},
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
}

#if defined(__has_feature)
#if __has_feature(realtime_sanitizer)
// The sanitizer must catch a malloc in a nonblocking function (exit code 43 and its report), or the
// runs above prove nothing. The allocation goes through a volatile pointer, so that the optimiser
// cannot drop it, and past the compiler's own check of nonblocking functions.
void* (*volatile g_allocate)(size_t) = std::malloc;
#pragma clang diagnostic ignored "-Wfunction-effects"
void AllocateOnAudioPath() noexcept VORTANE_NONBLOCKING {
    std::free(g_allocate(64));
}

TEST(RealtimePath, SanitizerCatchesAnAllocation) {
    EXPECT_EXIT(AllocateOnAudioPath(), testing::ExitedWithCode(43), "RealtimeSanitizer: unsafe-library-call");
}
#endif
#endif

} // namespace
} // namespace vortane
