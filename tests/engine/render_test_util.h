#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/control_events.h"
#include "engine/engine.h"
#include "engine/output_stage.h"

namespace vortane::test {

// A seeded engine as the application has it once its window exists, output still closed.
inline std::unique_ptr<Engine> PreparedEngine(uint64_t seed) {
    auto engine = std::make_unique<Engine>();
    engine->random.Seed(seed);
    PrepareAsAtStartup(*engine);
    return engine;
}

// Moves a control as the user would: new state, then its event.
inline void Move(Engine& engine, int id, int state) {
    engine.panel.SetState(id, state);
    ApplyControlEvent(engine, id);
}

inline void SwitchAllWalks(Engine& engine) {
    for (int k = 0; k < kCoordinateCount; ++k) {
        Move(engine, id::kX1On + k, 1);
    }
}

inline std::vector<float> RenderFrames(Engine& engine, size_t frames, size_t block = 256) {
    std::vector<float> out(frames);
    for (size_t done = 0; done < frames; done += block) {
        Render(engine, out.data() + done, frames - done < block ? frames - done : block);
    }
    return out;
}

} // namespace vortane::test
