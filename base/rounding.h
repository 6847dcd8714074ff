#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace vortane {

// Float-to-integer conversions of the walks. Every one saturates at the int32 range and maps NaN to
// 0, so no input can make the audio path hit an undefined conversion.
inline int32_t SaturateToInt32(double x) {
    if (!(x == x)) {
        return 0;
    }
    if (x <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
        return std::numeric_limits<int32_t>::min();
    }
    if (x >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(x);
}

// Nearest integer, ties to even (the default rounding mode, which the audio thread never changes).
inline int32_t RoundHalfEven(double x) {
    return SaturateToInt32(std::nearbyint(x));
}

// Nearest integer, halves away from zero: floor(t + 0.5) for t > 0, ceil(t - 0.5) otherwise.
// std::round is exact where t + 0.5 in float would not be (0.49999997f + 0.5f rounds up to 1).
inline int32_t RoundHalfAway(double x) {
    return SaturateToInt32(std::round(x));
}

} // namespace vortane
