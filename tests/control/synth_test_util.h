#pragma once

#include <cstdint>
#include <memory>

#include "control/control_ids.h"
#include "control/synth.h"

namespace vortane::test {

// A seeded synth as the application has it once its window exists, output still closed.
inline std::unique_ptr<Synth> PreparedSynth(uint64_t seed) {
    auto synth = std::make_unique<Synth>();
    synth->Init(seed);
    synth->controls.PrepareAsAtStartup();
    return synth;
}

// Moves a control as the user would: new state, then its event.
inline void Move(Synth& synth, int id, int state) {
    synth.controls.panel().SetState(id, state);
    synth.controls.ApplyControlEvent(id);
}

inline void SwitchAllWalks(Synth& synth) {
    for (int k = 0; k < kCoordinateCount; ++k) {
        Move(synth, id::kX1On + k, 1);
    }
}

} // namespace vortane::test
