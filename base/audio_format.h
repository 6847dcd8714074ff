#pragma once

namespace vortane {

// The one sample rate of the voice: the period walk counts its lengths in these samples, the
// Master Filter's coefficients assume it, and the stream and the render tool's files run at it.
inline constexpr int kSampleRate = 44100;

} // namespace vortane
