#pragma once

// A property every fuzz input must keep: a failed one stops the run where it failed, in any build
// (assert would vanish under NDEBUG), and libFuzzer keeps the input that did it.
inline void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}
