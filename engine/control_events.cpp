#include "engine/control_events.h"

#include "engine/control_table.h"
#include "engine/engine.h"

namespace vortane {
namespace {

bool IsTicked(int state) {
    return state == 1;
}

} // namespace

float DisplayX1(int x1_state, float x1_max) {
    return static_cast<float>(static_cast<double>(x1_state) * static_cast<double>(x1_max) / 99.0 / 100.0);
}

EventEffect ApplyControlEvent(Engine& engine, int id) {
    EngineState& s = engine.state;
    const int state = engine.panel.GetState(id);
    const double value = state;
    switch (id) {
    case id::kFrq:
        Put(s.cutoff, value);
        return EventEffect::None;
    case id::kRes:
        Put(s.resonance, state);
        return EventEffect::None;
    case id::kMasterVolume:
        Put(s.master_volume, static_cast<float>(value));
        return EventEffect::None;
    case id::kFrequencySetting:
        Put(s.frequency_setting, state);
        return EventEffect::None;
    case id::kX1:
        Put(s.display_x1, DisplayX1(state, Get(s.x1_max)));
        return EventEffect::RedrawDisplay;
    case id::kX1Max:
        Put(s.x1_max, static_cast<float>(value));
        Put(s.display_x1, DisplayX1(engine.panel.GetState(id::kX1), Get(s.x1_max)));
        return EventEffect::RedrawDisplay;
    case id::kY1:
        Put(s.y1, static_cast<float>(value / 100.0));
        return EventEffect::RedrawDisplay;
    case id::kX2:
        Put(s.x2, static_cast<float>(value / 100.0));
        return EventEffect::RedrawDisplay;
    case id::kY2:
        Put(s.y2, static_cast<float>(value / 100.0));
        return EventEffect::RedrawDisplay;
    case id::kPrimaryStepSize:
        Put(s.primary_step_size, static_cast<float>(value / 100.0));
        return EventEffect::None;
    case id::kProbabilityWidth:
        Put(s.probability_width, static_cast<float>(value / 10.0));
        return EventEffect::None;
    case id::kPrimaryStepBarrier:
        Put(s.primary_step_barrier, state);
        return EventEffect::None;
    case id::kSecondaryBarrier:
        Put(s.secondary_barrier, static_cast<float>(value / 10.0));
        return EventEffect::None;
    default:
        break;
    }
    if (id >= id::kX1StepSize && id <= id::kY2StepSize) {
        Put(s.point_step_size[static_cast<size_t>(id - id::kX1StepSize)], static_cast<float>(value));
    } else if (id >= id::kX1Barrier && id <= id::kY2Barrier) {
        Put(s.point_barrier[static_cast<size_t>(id - id::kX1Barrier)], state);
    } else if (id >= id::kX1Negative && id <= id::kY2Negative) {
        Put(s.negative[static_cast<size_t>(id - id::kX1Negative)], IsTicked(state) ? 1 : 0);
    } else if (id >= id::kX1On && id <= id::kY2On) {
        Put(s.walk_on[static_cast<size_t>(id - id::kX1On)], IsTicked(state) ? 1 : 0);
    }
    return EventEffect::None;
}

void TogglePlay(Engine& engine) {
    EngineState& s = engine.state;
    if (Get(s.play_state) == 0) {
        Put(s.play_state, 1);
        engine.panel.SetPlayCaption(PlayCaption::Stop);
        Put(s.output_gate, 1);
    } else {
        Put(s.play_state, 0);
        engine.panel.SetPlayCaption(PlayCaption::Play);
        Put(s.output_gate, 0);
        Put(engine.period_walk.period_count, 0);
        s.stop_count.fetch_add(1, std::memory_order_relaxed);
    }
}

void ApplyCreationValue(Engine& engine, int id) {
    switch (id) {
    case id::kPrimaryStepSize:
    case id::kProbabilityWidth:
    case id::kPrimaryStepBarrier:
    case id::kSecondaryBarrier:
        ApplyControlEvent(engine, id);
        break;
    case id::kMasterVolume:
        // Set to the fixed start level, not read from the slider.
        Put(engine.state.master_volume, 400.0f);
        break;
    default:
        break;
    }
}

void PrepareAsAtStartup(Engine& engine) {
    for (const ControlInfo& c : MainWindowControls()) {
        ApplyCreationValue(engine, c.id);
    }
}

} // namespace vortane
