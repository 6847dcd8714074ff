#include <gtest/gtest.h>

#include <array>
#include <mutex>
#include <vector>

#include "alloc_guard.h"
#include "render_test_util.h"

namespace vortane {
namespace {

using test::AllocCounts;
using test::AllocGuard;
using test::Move;

void* volatile escaped = nullptr; // keeps the compiler from dropping the self-test's allocation

// The guard must see what it is meant to catch, or a zero below would prove nothing.
TEST(AllocGuard, SeesAnAllocationAndALock) {
    std::mutex mutex;
    AllocCounts counts;
    {
        AllocGuard guard;
        std::vector<int> values(100);
        escaped = values.data();
        mutex.lock();
        mutex.unlock();
        counts = guard.Stop();
    }
    EXPECT_GE(counts.heap_calls, 1);
    EXPECT_GE(counts.locks, 1);

    AllocGuard idle;
    const AllocCounts none = idle.Stop();
    EXPECT_EQ(none.heap_calls, 0);
    EXPECT_EQ(none.locks, 0);
}

// Everything the audio thread runs: start resets, period starts with every walk, every
// distribution, walk mode and barrier behaviour, the shortest periods and a wrap of the frame index.
TEST(RealTime, RenderNeverAllocatesNorLocks) {
    auto engine = test::PreparedEngine(99);
    Engine& e = *engine;
    test::SwitchAllWalks(e, 1);
    Move(e, id::kFrequencySetting, 1000);
    Move(e, id::kSecondaryBarrier, 600);
    TogglePlay(e);

    constexpr std::array kOptions = {id::kCauchy,    id::kLogistic, id::kUniform,   id::kArcSin,
                                     id::kPriW,      id::kPriR,     id::kPriC,      id::kSMirror,
                                     id::kSRandom,   id::kSCentred, id::kSOnLimits, id::kSOppLimits,
                                     id::kSLoMirHiLo};
    std::vector<float> buffer(256);
    AllocCounts total;
    int period_calls = 0;
    for (int block = 0; block < 2000; ++block) {
        e.panel.SelectOption(kOptions[static_cast<size_t>(block) % kOptions.size()]);
        if (block % 500 == 250) {
            Put(e.state.start_done, 0); // a fresh start reset, as a new MIDI note makes
        }
        if (block == 1000) {
            Put(e.state.frame_index, 2147483641);
        }
        const int count_before = Get(e.period_walk.period_count);
        AllocGuard guard;
        Render(e, buffer.data(), buffer.size());
        const AllocCounts counts = guard.Stop();
        total.heap_calls += counts.heap_calls;
        total.locks += counts.locks;
        period_calls += Get(e.period_walk.period_count) != count_before ? 1 : 0;
    }
    EXPECT_EQ(total.heap_calls, 0);
    EXPECT_EQ(total.locks, 0);
    EXPECT_GT(period_calls, 1000); // periods did start inside the guard
}

} // namespace
} // namespace vortane
