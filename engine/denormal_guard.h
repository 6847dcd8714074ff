#pragma once

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace vortane {

// The filter state decays towards zero in silence, and so does an envelope; subnormal values there
// would cost far more per sample than the rest of the voice. Flush-to-zero and denormals-are-zero
// while a guard lives (a block), restoring whatever the caller had.
class DenormalGuard {
public:
#if defined(__SSE__)
    DenormalGuard() : saved_(_mm_getcsr()) {
        _mm_setcsr(saved_ | kFlushToZero | kDenormalsAreZero);
    }
    ~DenormalGuard() {
        _mm_setcsr(saved_);
    }
    DenormalGuard(const DenormalGuard&) = delete;
    DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned saved_;
#endif
};

} // namespace vortane
