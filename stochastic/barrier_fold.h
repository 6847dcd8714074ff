#pragma once

#include <cstdint>

namespace vortane {

// Folds of the two-level walks: a value that leaves its range is reflected back at the barrier it
// crossed, pass after pass, until it lies inside. Values are taken as int64 so that a reflection
// 2B - x can never overflow.

// Primary barrier: repeat { if x > B: x = 2B - x; then if x < -B: x = -2B - x } until |x| <= B.
// Each full pass moves an outside value 4B closer, so the loop ends for B >= 1. A barrier below 1
// (the engine value before its slider exists) leaves only 0 in range.
inline int32_t FoldPrimary(int64_t value, int32_t barrier) {
    if (barrier < 1) {
        return 0;
    }
    const int64_t b = barrier;
    while (value < -b || value > b) {
        if (value > b) {
            value = 2 * b - value;
        }
        if (value < -b) {
            value = -2 * b - value;
        }
    }
    return static_cast<int32_t>(value);
}

// Range fold of a control point: repeat { if x < lo: x = 2 lo - x; then if x > hi: x = 2 hi - x }
// until lo <= x <= hi. A one-value range (lo >= hi) would oscillate, so it yields lo at once.
inline int32_t FoldReflect(int64_t value, int32_t lo, int32_t hi) {
    if (lo >= hi) {
        return lo;
    }
    while (value < lo || value > hi) {
        if (value < lo) {
            value = 2 * static_cast<int64_t>(lo) - value;
        }
        if (value > hi) {
            value = 2 * static_cast<int64_t>(hi) - value;
        }
    }
    return static_cast<int32_t>(value);
}

} // namespace vortane
