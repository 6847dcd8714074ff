#include "alloc_guard.h"

#include <cerrno>
#include <cstddef>
#include <dlfcn.h>
#include <pthread.h>

// glibc's own entry points behind malloc and friends, so that the replacements below can forward
// without looking anything up (a lookup could itself allocate).
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* ptr, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* ptr);
}

namespace {

// Plain thread_local ints with constant initialisation: reading them never allocates.
constinit thread_local bool counting = false;
constinit thread_local long heap_calls = 0;
constinit thread_local long locks = 0;

using LockFunction = int (*)(pthread_mutex_t*);
LockFunction real_lock = nullptr;
LockFunction real_trylock = nullptr;

// The real lock functions are resolved before main and so before the first guard opens: dlsym
// may allocate and lock.
__attribute__((constructor(101))) void ResolveLockFunctions() {
    real_lock = reinterpret_cast<LockFunction>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
    real_trylock = reinterpret_cast<LockFunction>(dlsym(RTLD_NEXT, "pthread_mutex_trylock"));
}

void CountHeapCall() {
    if (counting) {
        ++heap_calls;
    }
}

} // namespace

extern "C" {

void* malloc(size_t size) {
    CountHeapCall();
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
    CountHeapCall();
    return __libc_calloc(count, size);
}

void* realloc(void* ptr, size_t size) {
    CountHeapCall();
    return __libc_realloc(ptr, size);
}

void free(void* ptr) {
    if (ptr != nullptr) {
        CountHeapCall();
    }
    __libc_free(ptr);
}

void* aligned_alloc(size_t alignment, size_t size) {
    CountHeapCall();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size) {
    CountHeapCall();
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) {
        return EINVAL;
    }
    void* p = __libc_memalign(alignment, size);
    if (p == nullptr) {
        return ENOMEM;
    }
    *out = p;
    return 0;
}

int pthread_mutex_lock(pthread_mutex_t* mutex) {
    if (counting) {
        ++locks;
    }
    if (real_lock == nullptr) {
        ResolveLockFunctions(); // a lock taken by another constructor before ours ran
    }
    return real_lock(mutex);
}

int pthread_mutex_trylock(pthread_mutex_t* mutex) {
    if (counting) {
        ++locks;
    }
    if (real_trylock == nullptr) {
        ResolveLockFunctions();
    }
    return real_trylock(mutex);
}

} // extern "C"

namespace vortane::test {

AllocGuard::AllocGuard() {
    heap_calls = 0;
    locks = 0;
    counting = true;
}

AllocCounts AllocGuard::Stop() {
    counting = false;
    return AllocCounts{heap_calls, locks};
}

} // namespace vortane::test
