#pragma once

namespace vortane::test {

// Counts heap calls (malloc, calloc, realloc, free, aligned_alloc, posix_memalign) and mutex locks
// (pthread_mutex_lock, pthread_mutex_trylock) made on the calling thread while a guard is open.
// The counting replacements are defined in alloc_guard.cpp and take effect only in an executable
// that links it; sanitizers and valgrind bring their own allocator and bypass them.
struct AllocCounts {
    long heap_calls = 0;
    long locks = 0;
};

class AllocGuard {
public:
    AllocGuard();
    ~AllocGuard() { Stop(); }
    AllocGuard(const AllocGuard&) = delete;
    AllocGuard& operator=(const AllocGuard&) = delete;

    // Stops counting and returns what was seen. Call it before any test assertion: assertions
    // allocate.
    AllocCounts Stop();
};

} // namespace vortane::test
