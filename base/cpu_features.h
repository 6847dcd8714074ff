#pragma once

// Instruction sets beyond the x86-64 baseline that Debian builds for. A function marked with one of
// the VORTANE_TARGET_ attributes is compiled for that set and may run only where CpuHas says the
// processor has it; callers choose once, at Init, and keep a plain version beside it. On other
// architectures the attributes are empty and CpuHas answers false.
#if defined(__x86_64__) || defined(__i386__)
#define VORTANE_X86 1
#define VORTANE_TARGET_AVX [[gnu::target("avx")]]
#define VORTANE_TARGET_FMA [[gnu::target("fma")]]
#define VORTANE_TARGET_FMA_AVX512 [[gnu::target("fma,avx512f")]]
#else
#define VORTANE_X86 0
#define VORTANE_TARGET_AVX
#define VORTANE_TARGET_FMA
#define VORTANE_TARGET_FMA_AVX512
#endif

namespace vortane {

enum class CpuFeature { kAvx, kFma, kFmaAvx512 };

inline bool CpuHas(CpuFeature feature) noexcept {
#if VORTANE_X86
    __builtin_cpu_init();
    switch (feature) {
    case CpuFeature::kAvx:
        return __builtin_cpu_supports("avx");
    case CpuFeature::kFma:
        return __builtin_cpu_supports("fma");
    case CpuFeature::kFmaAvx512:
        return __builtin_cpu_supports("fma") && __builtin_cpu_supports("avx512f");
    }
#endif
    static_cast<void>(feature);
    return false;
}

} // namespace vortane
