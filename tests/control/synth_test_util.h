#pragma once

#include <cstdint>
#include <memory>

#include "control/synth.h"
#include "tests/engine/voice_test_access.h"

namespace vortane::test {

// A seeded synth at its defaults, output still closed.
inline std::unique_ptr<Synth> PreparedSynth(uint64_t seed, const VoiceOptions& options = {}) {
    auto synth = std::make_unique<Synth>();
    synth->Init(seed, options);
    return synth;
}

inline void Move(Synth& synth, ParamId id, int value) {
    synth.params.Set(id, static_cast<float>(value));
}

inline void SwitchAllWalks(Synth& synth) {
    for (int k = 0; k < kCoordinateCount; ++k) {
        Move(synth, Offset(ParamId::X1On, k), 1);
    }
}

} // namespace vortane::test
