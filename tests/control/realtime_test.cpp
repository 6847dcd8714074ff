#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <dlfcn.h>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <vector>

#include "synth_test_util.h"

// Counting replacements of the heap calls and mutex locks, active on the calling thread while
// counting is on. They forward to glibc's own entry points, so that nothing is looked up (a lookup
// could itself allocate); sanitizers bring their own allocator and bypass them.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* ptr, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* ptr);
}

namespace {

constinit thread_local bool counting = false;
constinit thread_local long heap_calls = 0;
constinit thread_local long locks = 0;

using LockFunction = int (*)(pthread_mutex_t*);
LockFunction real_lock = nullptr;

// Resolved before main and so before counting starts: dlsym may allocate and lock.
__attribute__((constructor(101))) void ResolveLock() {
    real_lock = reinterpret_cast<LockFunction>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
}

void* Counted(void* p) {
    heap_calls += counting ? 1 : 0;
    return p;
}

} // namespace

extern "C" {
void* malloc(size_t size) {
    return Counted(__libc_malloc(size));
}
void* calloc(size_t count, size_t size) {
    return Counted(__libc_calloc(count, size));
}
void* realloc(void* ptr, size_t size) {
    return Counted(__libc_realloc(ptr, size));
}
void* aligned_alloc(size_t alignment, size_t size) {
    return Counted(__libc_memalign(alignment, size));
}
void free(void* ptr) {
    heap_calls += counting && ptr != nullptr ? 1 : 0;
    __libc_free(ptr);
}
int pthread_mutex_lock(pthread_mutex_t* mutex) {
    locks += counting ? 1 : 0;
    if (real_lock == nullptr) {
        ResolveLock(); // a lock taken by another constructor before ours ran
    }
    return real_lock(mutex);
}
} // extern "C"

namespace vortane {
namespace {

// Heap calls and locks made by body. Assertions allocate: none inside.
template <typename Body> long Count(Body&& body) {
    heap_calls = 0;
    locks = 0;
    counting = true;
    body();
    counting = false;
    return heap_calls + locks;
}

void* volatile escaped = nullptr; // keeps the compiler from dropping the self-test's allocation

// The counter must see what it is meant to catch, or a zero below would prove nothing.
TEST(AllocationCounter, SeesAnAllocationAndALock) {
    std::mutex mutex;
    const auto allocate = [] {
        const auto block = std::make_unique<int[]>(100);
        escaped = block.get();
    };
    EXPECT_GE(Count(allocate), 1);
    EXPECT_GE(Count([&] { const std::lock_guard lock(mutex); }), 1);
    EXPECT_EQ(Count([] {}), 0);
}

// Everything the audio thread runs (the controls' snapshot and the voice's block): start resets, period
// starts with every walk, every distribution, walk mode and barrier behaviour, the shortest periods and a
// frame-index wrap.
TEST(RealTime, RenderNeverAllocatesNorLocks) {
    auto synth = test::PreparedSynth(99);
    Synth& e = *synth;
    test::SwitchAllWalks(e);
    test::Move(e, id::kFrequencySetting, 1000);
    test::Move(e, id::kSecondaryBarrier, 600);
    e.controls.TogglePlay();
    constexpr std::array kOptions = {id::kCauchy,    id::kLogistic, id::kUniform,   id::kArcSin,
                                     id::kPriW,      id::kPriR,     id::kPriC,      id::kSMirror,
                                     id::kSRandom,   id::kSCentred, id::kSOnLimits, id::kSOppLimits,
                                     id::kSLoMirHiLo};
    std::vector<float> buffer(256);
    long calls = 0;
    int blocks_with_period_starts = 0;
    for (int block = 0; block < 2000; ++block) {
        e.controls.panel().SelectOption(kOptions[static_cast<size_t>(block) % kOptions.size()]);
        if (block % 500 == 250) {
            e.controls.CloseGateForRestart(); // a fresh start reset, as a new MIDI note makes
            e.controls.OpenGateByNote();
        }
        if (block == 1000) {
            e.voice.set_frame_index(Voice::kFrameIndexLimit + 1);
        }
        if (block % 300 == 100) {
            test::Move(e, id::kY2 - block % 3, 90); // a curve slider's write lands in the block
        }
        const int count_before = e.voice.oscillator().period_walk().period_count;
        calls += Count([&] { e.Render(buffer.data(), buffer.size()); });
        blocks_with_period_starts += e.voice.oscillator().period_walk().period_count != count_before ? 1 : 0;
    }
    EXPECT_EQ(calls, 0) << "heap calls and locks";
    EXPECT_GT(blocks_with_period_starts, 1000); // periods did start inside the counted calls
}

} // namespace
} // namespace vortane
