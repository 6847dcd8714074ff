#pragma once

#include "base/cpu_features.h"
#include "base/realtime.h"

#if VORTANE_X86
#include <immintrin.h>
#endif

namespace vortane {

// Groups of double lanes (GCC and Clang vector extensions), with the float and int lanes beside
// them: two, one SSE register a double value; four, one AVX register; eight, one AVX-512 register;
// each for callers compiled for that set. Every operation is lane-wise IEEE arithmetic without
// contraction, so a lane holds exactly the bits of the scalar expression; where the scalar code
// fuses a multiply and an add, FusedMulAdd does the same in every lane.
template <int kLanes> struct DoubleLanes;
template <> struct DoubleLanes<2> {
    using Double = double __attribute__((vector_size(16)));
    using Float = float __attribute__((vector_size(8)));
    using Int = int __attribute__((vector_size(8)));
};
template <> struct DoubleLanes<4> {
    using Double = double __attribute__((vector_size(32)));
    using Float = float __attribute__((vector_size(16)));
    using Int = int __attribute__((vector_size(16)));
};
template <> struct DoubleLanes<8> {
    using Double = double __attribute__((vector_size(64)));
    using Float = float __attribute__((vector_size(32)));
    using Int = int __attribute__((vector_size(32)));
};
inline constexpr int kMaxDoubleLanes = 8;

// a·b + c in one rounding: the scalar fma, and the same lane by lane. Clang's element-wise fma is
// no call, so the generic code between a kernel and it needs no instruction set of its own; it
// becomes FMA3's instructions once inlined into a kernel compiled for them. With GCC, FMA3's own
// instructions (AVX-512 for eight lanes), not forced inline: the generic code between a kernel and
// them is compiled without the kernel's instruction set, and only the kernel itself, once that
// code is inlined into it, may inline them.
[[gnu::always_inline]] inline double FusedMulAdd(double a, double b, double c) noexcept VORTANE_NONBLOCKING {
    return __builtin_fma(a, b, c);
}
#if defined(__clang__)
template <typename T>
[[gnu::always_inline]] inline T FusedMulAdd(const T& a, const T& b, const T& c) noexcept VORTANE_NONBLOCKING {
    return __builtin_elementwise_fma(a, b, c);
}
#elif VORTANE_X86
VORTANE_TARGET_FMA inline DoubleLanes<2>::Double
FusedMulAdd(DoubleLanes<2>::Double a, DoubleLanes<2>::Double b,
            DoubleLanes<2>::Double c) noexcept VORTANE_NONBLOCKING {
    return _mm_fmadd_pd(a, b, c);
}
VORTANE_TARGET_FMA inline DoubleLanes<4>::Double
FusedMulAdd(DoubleLanes<4>::Double a, DoubleLanes<4>::Double b,
            DoubleLanes<4>::Double c) noexcept VORTANE_NONBLOCKING {
    return _mm256_fmadd_pd(a, b, c);
}
VORTANE_TARGET_FMA_AVX512 inline DoubleLanes<8>::Double
FusedMulAdd(DoubleLanes<8>::Double a, DoubleLanes<8>::Double b,
            DoubleLanes<8>::Double c) noexcept VORTANE_NONBLOCKING {
    return _mm512_fmadd_pd(a, b, c);
}
#else
template <typename T>
[[gnu::always_inline]] inline T FusedMulAdd(const T& a, const T& b, const T& c) noexcept VORTANE_NONBLOCKING {
    T r;
    for (int i = 0; i < static_cast<int>(sizeof(T) / sizeof(double)); ++i) {
        r[i] = __builtin_fma(a[i], b[i], c[i]);
    }
    return r;
}
#endif

} // namespace vortane
