// Proves that the RealtimeSanitizer build catches a violation: a nonblocking function allocates.
// Expected to abort with RealtimeSanitizer's exit code 43; exits 0 when nothing caught it.
#include <cstdio>
#include <cstdlib>

#include "base/realtime.h"

namespace {

// Through a volatile pointer, so that the optimiser cannot drop the allocation.
void* (*volatile g_allocate)(size_t) = std::malloc;

int AllocateOnAudioPath() noexcept VORTANE_NONBLOCKING {
    void* memory = g_allocate(64);
    const int got = memory != nullptr ? 1 : 0;
    std::free(memory);
    return got;
}

} // namespace

int main() {
    const int got = AllocateOnAudioPath();
    std::printf("allocation in a nonblocking function went unnoticed (%d)\n", got);
    return 0;
}
