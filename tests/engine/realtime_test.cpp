#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <dlfcn.h>
#include <mutex>
#include <pthread.h>
#include <vector>

#include "render_test_util.h"

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
LockFunction real_trylock = nullptr;

// Resolved before main and so before counting starts: dlsym may allocate and lock.
__attribute__((constructor(101))) void ResolveLockFunctions() {
    real_lock = reinterpret_cast<LockFunction>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
    real_trylock = reinterpret_cast<LockFunction>(dlsym(RTLD_NEXT, "pthread_mutex_trylock"));
}

void* Counted(void* p) {
    heap_calls += counting ? 1 : 0;
    return p;
}

int CountedLock(LockFunction& real, pthread_mutex_t* mutex) {
    locks += counting ? 1 : 0;
    if (real == nullptr) {
        ResolveLockFunctions(); // a lock taken by another constructor before ours ran
    }
    return real(mutex);
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
int posix_memalign(void** out, size_t alignment, size_t size) {
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) {
        return EINVAL;
    }
    *out = Counted(__libc_memalign(alignment, size));
    return *out == nullptr ? ENOMEM : 0;
}
int pthread_mutex_lock(pthread_mutex_t* mutex) {
    return CountedLock(real_lock, mutex);
}
int pthread_mutex_trylock(pthread_mutex_t* mutex) {
    return CountedLock(real_trylock, mutex);
}
} // extern "C"

namespace vortane {
namespace {

// Runs body with counting on and returns {heap calls, locks}. Assertions allocate: none inside.
template <typename Body> std::array<long, 2> Count(Body&& body) {
    heap_calls = 0;
    locks = 0;
    counting = true;
    body();
    counting = false;
    return {heap_calls, locks};
}

void* volatile escaped = nullptr; // keeps the compiler from dropping the self-test's allocation

// The counter must see what it is meant to catch, or a zero below would prove nothing.
TEST(AllocGuard, SeesAnAllocationAndALock) {
    std::mutex mutex;
    const auto counts = Count([&] {
        std::vector<int> values(100);
        escaped = values.data();
        const std::lock_guard lock(mutex);
    });
    EXPECT_GE(counts[0], 1);
    EXPECT_GE(counts[1], 1);
    EXPECT_EQ(Count([] {}), (std::array<long, 2>{0, 0}));
}

// Everything the audio thread runs: start resets, period starts with every walk, every
// distribution, walk mode and barrier behaviour, the shortest periods and a frame-index wrap.
TEST(RealTime, RenderNeverAllocatesNorLocks) {
    auto engine = test::PreparedEngine(99);
    Engine& e = *engine;
    test::SwitchAllWalks(e);
    test::Move(e, id::kFrequencySetting, 1000);
    test::Move(e, id::kSecondaryBarrier, 600);
    TogglePlay(e);
    constexpr std::array kOptions = {id::kCauchy,    id::kLogistic, id::kUniform,   id::kArcSin,
                                     id::kPriW,      id::kPriR,     id::kPriC,      id::kSMirror,
                                     id::kSRandom,   id::kSCentred, id::kSOnLimits, id::kSOppLimits,
                                     id::kSLoMirHiLo};
    std::vector<float> buffer(256);
    std::array<long, 2> total{0, 0};
    int blocks_with_period_starts = 0;
    for (int block = 0; block < 2000; ++block) {
        e.panel.SelectOption(kOptions[static_cast<size_t>(block) % kOptions.size()]);
        if (block % 500 == 250) {
            Put(e.state.start_done, 0); // a fresh start reset, as a new MIDI note makes
        }
        if (block == 1000) {
            Put(e.state.frame_index, 2147483641);
        }
        const int count_before = Get(e.period_walk.period_count);
        const auto counts = Count([&] { Render(e, buffer.data(), buffer.size()); });
        total = {total[0] + counts[0], total[1] + counts[1]};
        blocks_with_period_starts += Get(e.period_walk.period_count) != count_before ? 1 : 0;
    }
    EXPECT_EQ(total[0], 0) << "heap calls";
    EXPECT_EQ(total[1], 0) << "locks";
    EXPECT_GT(blocks_with_period_starts, 1000); // periods did start inside the counted calls
}

} // namespace
} // namespace vortane
