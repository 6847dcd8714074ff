// The audio path never allocates, locks or makes a blocking call: the whole of Synth::Render under
// load. In the normal build counting replacements of the heap calls and mutex locks watch it
// (heap_lock_counter.cpp); built with -fsanitize=realtime, the nonblocking annotation makes one
// malloc, lock or blocking system call anywhere below Render abort the process (exit code 43).
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <vector>

#include "base/realtime.h"
#include "synth_test_util.h"

#if defined(__has_feature)
#if __has_feature(realtime_sanitizer)
#define VORTANE_RTSAN_BUILD 1
#endif
#endif
#if !defined(VORTANE_RTSAN_BUILD)
#include "heap_lock_counter.h"
#endif

namespace vortane {
namespace {

using P = ParamId;

#if !defined(VORTANE_RTSAN_BUILD)
using test::CountHeapCallsAndLocks;

void* volatile escaped = nullptr; // keeps the compiler from dropping the self-test's allocation

// The counter must see what it is meant to catch, or a zero below would prove nothing.
TEST(AllocationCounter, SeesAnAllocationAndALock) {
    std::mutex mutex;
    const auto allocate = [] {
        const auto block = std::make_unique<int[]>(100);
        escaped = block.get();
    };
    EXPECT_GE(CountHeapCallsAndLocks(allocate), 1);
    EXPECT_GE(CountHeapCallsAndLocks([&] { const std::lock_guard lock(mutex); }), 1);
    EXPECT_EQ(CountHeapCallsAndLocks([] {}), 0);
}
#else
// The sanitizer must catch a malloc in a nonblocking function (exit code 43 and its report), or the
// run below proves nothing. The allocation goes through a volatile pointer, so that the optimiser
// cannot drop it, and past the compiler's own check of nonblocking functions.
void* (*volatile g_allocate)(size_t) = std::malloc;
#pragma clang diagnostic ignored "-Wfunction-effects"
void AllocateOnAudioPath() noexcept VORTANE_NONBLOCKING {
    std::free(g_allocate(64));
}

TEST(RealTimeGuard, SanitizerCatchesAnAllocation) {
    EXPECT_EXIT(AllocateOnAudioPath(), testing::ExitedWithCode(43), "RealtimeSanitizer: unsafe-library-call");
}

template <typename Body> long CountHeapCallsAndLocks(Body&& body) {
    body(); // the sanitizer watches instead
    return 0;
}
#endif

void RenderRealtime(Synth& synth, float* out, size_t size) noexcept VORTANE_NONBLOCKING {
    synth.Render(out, size);
}

void MidiRealtime(Synth& synth, uint8_t status, uint8_t data1, uint8_t data2) noexcept VORTANE_NONBLOCKING {
    const uint8_t message[3] = {status, data1, data2};
    synth.Midi(message, 3);
}

// F = 1000 and D = 60 make the shortest period one sample: the period walk and all four
// control-point walks then run on almost every sample, at the loudest and most resonant settings,
// under every distribution, walk mode and barrier behaviour in turn; then the same played from a
// keyboard: notes, releases, bends, the pedal and all sound off over every voice.
TEST(RealTime, RenderNeverAllocatesNorLocks) {
    auto synth = test::PreparedSynth(99);
    Synth& e = *synth;
    test::SwitchAllWalks(e);
    for (auto [id, value] : {std::pair{P::FrequencySetting, 1000},
                             {P::SecondaryBarrier, 600},
                             {P::MasterVolume, 1500},
                             {P::Res, 100},
                             {P::Frq, 5000},
                             {P::X1Negative, 1}}) {
        test::Move(e, id, value);
    }
    e.transport.TogglePlay();
    std::vector<float> buffer(256);
    long calls = 0;
    int blocks_with_period_starts = 0;
    double energy = 0.0;
    for (int block = 0; block < 3000; ++block) {
        test::Move(e, P::Distribution, block % 4);
        test::Move(e, P::WalkMode, block / 4 % 3);
        test::Move(e, P::Behaviour, block / 12 % 6);
        if (block % 500 == 250) {
            e.transport.CloseGateForRestart(); // a fresh start reset, as a new MIDI note makes
            e.transport.OpenGateByNote();
        }
        if (block == 1000) {
            VoiceTestAccess::SetFrameIndex(e.voice, Voice::kFrameIndexLimit + 1);
        }
        if (block % 300 == 100) {
            test::Move(e, Offset(P::Y2, -(block % 3)), 90); // a curve slider's write lands in the block
        }
        if (block == 1500) {
            e.Restart(7); // a plugin's new seed, taken on the audio thread
        }
        if (block == 2000) { // then the keyboard: notes at their pitch, sixteen voices and more
            test::Move(e, P::Keyboard, 1);
            test::Move(e, P::Release, 20);
        }
        if (block >= 2000) {
            const auto key = static_cast<uint8_t>(24 + block * 7 % 72);
            const auto channel = static_cast<uint8_t>(block % 3);
            calls += CountHeapCallsAndLocks([&] {
                MidiRealtime(e, 0x90 | channel, key, static_cast<uint8_t>(1 + block % 127));
                MidiRealtime(e, 0x80 | channel, static_cast<uint8_t>(24 + (block - 20) * 7 % 72), 0);
                MidiRealtime(e, 0xE0 | channel, 0, static_cast<uint8_t>(block % 128));
                MidiRealtime(e, 0xB0 | channel, 64, block % 50 < 25 ? 127 : 0);
                if (block % 400 == 0) {
                    MidiRealtime(e, 0xB0 | channel, 120, 0);
                }
            });
        }
        const int count_before = e.voice.oscillator().period_walk().period_count;
        calls += CountHeapCallsAndLocks([&] { RenderRealtime(e, buffer.data(), buffer.size()); });
        blocks_with_period_starts += e.voice.oscillator().period_walk().period_count != count_before ? 1 : 0;
        for (float s : buffer) {
            ASSERT_TRUE(std::isfinite(s)) << "block " << block;
            energy += static_cast<double>(s) * s;
        }
    }
    EXPECT_EQ(calls, 0) << "heap calls and locks";
    EXPECT_GT(blocks_with_period_starts, 1000); // periods did start inside the guarded calls
    EXPECT_GT(energy, 0.0);
}

} // namespace
} // namespace vortane
