#include "plugin/editor/pitch_history.h"

namespace vortane::editor {

void PitchHistory::Add(const PitchPoint& point) {
    if (count_ > 0 && point.frame < newest()) {
        Clear();
    }
    if (count_ == kCapacity) {
        start_ = (start_ + 1) % kCapacity;
        --count_;
    }
    ring_[(start_ + count_) % kCapacity] = point;
    ++count_;
    // Points older than the span leave from the front.
    while (count_ > 0 && point.frame - (*this)[0].frame > kSpan) {
        start_ = (start_ + 1) % kCapacity;
        --count_;
    }
}

void PitchHistory::SoundingKeys(uint64_t (&keys)[2]) const {
    keys[0] = keys[1] = 0;
    const uint64_t now = newest();
    for (size_t i = count_; i-- > 0 && (*this)[i].frame == now;) {
        const int key = (*this)[i].key;
        if (key >= 0) {
            keys[key / 64] |= uint64_t{1} << (key % 64);
        }
    }
}

} // namespace vortane::editor
