#pragma once

// Marks a function that runs on the audio thread and must never allocate, lock or block.
// Clang checks callers and callees against it (-Wfunction-effects) and RealtimeSanitizer
// (-fsanitize=realtime) aborts the process when such a function, or anything it calls, makes an
// unsafe call at run time. It is a type attribute: it goes after the parameter list and
// noexcept, on the declaration and the definition alike:
//     void Render(const VoiceParams& params, float* out, size_t size) noexcept VORTANE_NONBLOCKING;
// Other compilers see nothing.
#if defined(__clang__) && __clang_major__ >= 20
#define VORTANE_NONBLOCKING [[clang::nonblocking]]
#else
#define VORTANE_NONBLOCKING
#endif
