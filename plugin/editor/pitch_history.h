#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "control/pitch_log.h"

namespace vortane::editor {

// The pitch paths of the last seconds as the editor draws them: the points the audio thread
// logged (one per sounding voice per block), oldest first, in a ring of fixed size that the
// editor fills from the plugin's pitch log at screen rate. A frame count that goes back means the
// voices restarted: the old paths are forgotten.
class PitchHistory {
public:
    static constexpr uint64_t kSpan = 5 * 44100; // voice frames shown: five seconds
    static constexpr size_t kCapacity = 1 << 15; // 16 voices for five seconds at 128-frame blocks

    PitchHistory() : ring_(kCapacity) {}

    void Add(const PitchPoint& point);
    void Clear() { count_ = 0; }

    size_t size() const { return count_; }
    // The i-th point still in the span, oldest first.
    const PitchPoint& operator[](size_t i) const { return ring_[(start_ + i) % kCapacity]; }
    uint64_t newest() const { return count_ > 0 ? (*this)[count_ - 1].frame : 0; }

    // The keys sounding at the newest frame, as a 128-bit set (bit k of word k / 64); none in Gate
    // mode, whose voice plays no key.
    void SoundingKeys(uint64_t (&keys)[2]) const;

private:
    std::vector<PitchPoint> ring_;
    size_t start_ = 0, count_ = 0;
};

} // namespace vortane::editor
