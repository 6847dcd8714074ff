// Counting replacements of the heap calls and mutex locks (tried ones too), active on the calling thread
// while counting is on. They forward to glibc's own entry points, so that nothing is looked up (a lookup
// could itself allocate). Linked only into executables built without a sanitizer, which brings its
// own allocator.
#include "heap_lock_counter.h"

#include <dlfcn.h>
#include <pthread.h>

#include <cstddef>

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
__attribute__((constructor(101))) void ResolveLock() {
    real_lock = reinterpret_cast<LockFunction>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
    real_trylock = reinterpret_cast<LockFunction>(dlsym(RTLD_NEXT, "pthread_mutex_trylock"));
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
// A lock tried is a lock too: its unlock wakes whoever waits on it, a system call.
int pthread_mutex_trylock(pthread_mutex_t* mutex) {
    locks += counting ? 1 : 0;
    if (real_trylock == nullptr) {
        ResolveLock();
    }
    return real_trylock(mutex);
}
} // extern "C"

namespace vortane::test {

void StartCounting() {
    heap_calls = 0;
    locks = 0;
    counting = true;
}

long StopCounting() {
    counting = false;
    return heap_calls + locks;
}

} // namespace vortane::test
