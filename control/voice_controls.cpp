#include "control/voice_controls.h"

#include <cmath>

#include "control/control_table.h"
#include "engine/voice.h"

namespace vortane {
namespace {

template <typename T> T Get(const std::atomic<T>& v) {
    return v.load(std::memory_order_relaxed);
}
template <typename T, typename U> void Put(std::atomic<T>& v, U value) {
    v.store(static_cast<T>(value), std::memory_order_relaxed);
}

bool IsTicked(double position) {
    return position == 1.0;
}

// Which option of a group is selected: its place in the group, counted from 1, or 0 for none.
// The voice's enums list the options in the group's order after None. Should another thread be
// between the two stores of a selection, the first selected in group order counts.
int SelectedOption(const ControlPanel& panel, int group) noexcept VORTANE_NONBLOCKING {
    const std::span<const int> members = OptionGroupMembers(group);
    for (size_t i = 0; i < members.size(); ++i) {
        if (panel.GetState(members[i]) == 1) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

} // namespace

float DisplayX1(int x1_state, float x1_max) {
    return static_cast<float>(static_cast<double>(x1_state) * static_cast<double>(x1_max) / 99.0 / 100.0);
}

VoiceControls::VoiceControls()
    : events_(VoiceParams::kCutoffWritten | VoiceParams::PointWritten(Coordinate::Y1) |
              VoiceParams::PointWritten(Coordinate::X2) | VoiceParams::PointWritten(Coordinate::Y2)) {}

EventEffect VoiceControls::ApplyControlEvent(int id) {
    return ApplyControlValue(id, panel_.GetState(id));
}

EventEffect VoiceControls::ApplyControlValue(int id, double value) {
    const int whole = static_cast<int>(std::lrint(value));
    const auto point = [this, value](Coordinate k) {
        const auto v = static_cast<float>(value / 100.0);
        Put(points_[static_cast<size_t>(k)], v);
        Put(display_points_[static_cast<size_t>(k)], v);
        Post(VoiceParams::PointWritten(k));
        return EventEffect::RedrawDisplay;
    };
    switch (id) {
    case id::kFrq:
        Put(cutoff_, value);
        Post(VoiceParams::kCutoffWritten);
        return EventEffect::None;
    case id::kRes:
        Put(resonance_, whole);
        return EventEffect::None;
    case id::kMasterVolume:
        Put(master_volume_, static_cast<float>(value));
        return EventEffect::None;
    case id::kFrequencySetting:
        Put(frequency_setting_, whole);
        return EventEffect::None;
    case id::kX1:
        // The "X1" slider shapes only the picture: the sound's X1 belongs to the X1 walk.
        Put(display_points_[0], DisplayX1(whole, Get(x1_max_)));
        return EventEffect::RedrawDisplay;
    case id::kX1Max:
        Put(x1_max_, static_cast<float>(value));
        Put(display_points_[0], DisplayX1(panel_.GetState(id::kX1), Get(x1_max_)));
        return EventEffect::RedrawDisplay;
    case id::kY1:
        return point(Coordinate::Y1);
    case id::kX2:
        return point(Coordinate::X2);
    case id::kY2:
        return point(Coordinate::Y2);
    case id::kPrimaryStepSize:
        Put(primary_step_size_, static_cast<float>(value / 100.0));
        return EventEffect::None;
    case id::kProbabilityWidth:
        Put(probability_width_, static_cast<float>(value / 10.0));
        return EventEffect::None;
    case id::kPrimaryStepBarrier:
        Put(primary_step_barrier_, whole);
        return EventEffect::None;
    case id::kSecondaryBarrier:
        Put(secondary_barrier_, static_cast<float>(value / 10.0));
        return EventEffect::None;
    default:
        break;
    }
    if (id >= id::kX1StepSize && id <= id::kY2StepSize) {
        Put(point_step_size_[static_cast<size_t>(id - id::kX1StepSize)], static_cast<float>(value));
    } else if (id >= id::kX1Barrier && id <= id::kY2Barrier) {
        Put(point_barrier_[static_cast<size_t>(id - id::kX1Barrier)], whole);
    } else if (id >= id::kX1Negative && id <= id::kY2Negative) {
        Put(negative_[static_cast<size_t>(id - id::kX1Negative)], IsTicked(value) ? 1 : 0);
    } else if (id >= id::kX1On && id <= id::kY2On) {
        Put(walk_on_[static_cast<size_t>(id - id::kX1On)], IsTicked(value) ? 1 : 0);
    }
    return EventEffect::None;
}

void VoiceControls::ApplyCreationValue(int id) {
    switch (id) {
    case id::kPrimaryStepSize:
    case id::kProbabilityWidth:
    case id::kPrimaryStepBarrier:
    case id::kSecondaryBarrier:
        ApplyControlEvent(id);
        break;
    case id::kMasterVolume:
        // Set to the fixed start level, not read from the slider.
        Put(master_volume_, 400.0f);
        break;
    default:
        break;
    }
}

void VoiceControls::PrepareAsAtStartup() {
    for (const ControlInfo& c : MainWindowControls()) {
        ApplyCreationValue(c.id);
    }
}

void VoiceControls::TogglePlay() {
    if (Get(play_state_) == 0) {
        Put(play_state_, 1);
        panel_.SetPlayCaption(PlayCaption::Stop);
        Put(output_gate_, 1);
    } else {
        Put(play_state_, 0);
        panel_.SetPlayCaption(PlayCaption::Play);
        Put(output_gate_, 0);
        Post(VoiceParams::kStop);
        stop_count_.fetch_add(1, std::memory_order_relaxed);
    }
}

void VoiceControls::OpenGateByNote() {
    Put(output_gate_, 1);
    panel_.SetPlayCaption(PlayCaption::Stop);
    Put(play_state_, 1);
}

void VoiceControls::CloseGateForRestart() {
    Put(output_gate_, 0);
    Post(VoiceParams::kRestart);
}

void VoiceControls::CloseGate() {
    Put(output_gate_, 0);
}

DisplayCurve VoiceControls::display_curve() const {
    return DisplayCurve{Get(display_points_[0]), Get(display_points_[1]), Get(display_points_[2]),
                        Get(display_points_[3])};
}

void VoiceControls::ShowWalkedPoint(Coordinate k, float value) noexcept VORTANE_NONBLOCKING {
    if (k != Coordinate::X1) { // the display's X1 is the slider's
        Put(display_points_[static_cast<size_t>(k)], value);
    }
}

void VoiceControls::Snapshot(VoiceParams& p) noexcept VORTANE_NONBLOCKING {
    // Events first, with acquire: a value stored before its event was posted is seen below.
    p.events = events_.exchange(0, std::memory_order_acquire);
    ReadValues(p);
}

void VoiceControls::Peek(VoiceParams& p) const {
    p.events = events_.load(std::memory_order_acquire);
    ReadValues(p);
}

void VoiceControls::ReadValues(VoiceParams& p) const noexcept VORTANE_NONBLOCKING {
    p.gate = Get(output_gate_) == 1;
    p.frq_slider = panel_.GetState(id::kFrq);
    p.cutoff = Get(cutoff_);
    p.resonance = Get(resonance_);
    for (size_t k = 0; k < kCoordinateCount; ++k) {
        p.points[k] = Get(points_[k]);
    }

    OscillatorParams& o = p.oscillator;
    o.master_volume = Get(master_volume_);
    PeriodWalkParams& w = o.period;
    w.frequency_setting = Get(frequency_setting_);
    w.secondary_barrier = Get(secondary_barrier_);
    w.primary_step_barrier = Get(primary_step_barrier_);
    w.step.distribution = static_cast<Distribution>(SelectedOption(panel_, kDistributionGroup));
    w.step.probability_width = Get(probability_width_);
    w.step.primary_step_size = Get(primary_step_size_);
    w.step.step_size_slider = panel_.GetState(id::kPrimaryStepSize);
    w.primary_mode = static_cast<PrimaryMode>(SelectedOption(panel_, kWalkModeGroup));
    w.behaviour = static_cast<BarrierBehaviour>(SelectedOption(panel_, kBehaviourGroup));

    const float x1_max = Get(x1_max_);
    for (size_t k = 0; k < kCoordinateCount; ++k) {
        o.walk_on[k] = Get(walk_on_[k]) == 1;
        ControlPointParams& c = o.points[k];
        c.barrier = Get(point_barrier_[k]);
        c.step_size = Get(point_step_size_[k]);
        c.negative = Get(negative_[k]) == 1;
        c.slider = panel_.GetState(id::kX1 + static_cast<int>(k));
        c.x1_max = x1_max;
    }
}

} // namespace vortane
