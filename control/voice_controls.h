#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "base/coordinate.h"
#include "base/realtime.h"
#include "control/control_panel.h"
#include "engine/oscillator.h"

namespace vortane {

struct VoiceParams;

enum class EventEffect { None, RedrawDisplay };

// The curve the waveform display shows: display X1 (from "X1" and "X1 Max", not the sound's X1),
// and Y1, X2, Y2 as their sliders or walks last set them.
struct DisplayCurve {
    float x1, y1, x2, y2;
};

// Between the window, the MIDI handler or the render tool and the voice: the control panel, the
// values derived from it, and the events the voice has yet to see. Control events (GUI thread),
// MIDI messages (MIDI thread) and the audio thread share it; every value is its own atomic, read and
// written whole with relaxed ordering, and the audio thread takes one snapshot per block. Nothing
// here waits for another thread.
class VoiceControls {
public:
    VoiceControls();

    ControlPanel& panel() { return panel_; }
    const ControlPanel& panel() const { return panel_; }

    // The one derivation from a control to the voice's parameters, as on a control event: from the
    // control's current state. Returns RedrawDisplay for the five curve sliders ("X1", "X1 Max",
    // "Y1", "X2", "Y2"). Controls without a parameter are ignored; the Play button is TogglePlay's.
    EventEffect ApplyControlEvent(int id);
    // The same from a position that need not be whole (a MIDI controller's scaled value).
    EventEffect ApplyControlValue(int id, double position);

    // The value a control hands on at the moment it is created during start-up ("Primary Step
    // Size", "Probability Width", "Primary Step Barrier", "Secondary Barrier", "Master Volume").
    void ApplyCreationValue(int id);
    // ApplyCreationValue for every control in creation order: the state once the window exists,
    // for hosts without a window.
    void PrepareAsAtStartup();

    // The Play/Stop button, decided by the play state alone: Play opens the gate, Stop closes it,
    // restarts the period walk's count and raises the stop count, which releases every key MIDI
    // holds.
    void TogglePlay();
    // A first MIDI note: the gate opens as by Play (caption "Stop", play state 1).
    void OpenGateByNote();
    // The last MIDI note released: the gate closes and the next opening runs the start reset again.
    void CloseGateForRestart();
    // The MIDI port closing: the gate closes, nothing else.
    void CloseGate();

    int play_state() const { return play_state_.load(std::memory_order_relaxed); }
    uint32_t stop_count() const { return stop_count_.load(std::memory_order_relaxed); }
    int output_gate() const { return output_gate_.load(std::memory_order_relaxed); }
    float x1_max() const { return x1_max_.load(std::memory_order_relaxed); }
    DisplayCurve display_curve() const;

    // A walk moved coordinate k to value (audio thread, after a block): the display shows it.
    void ShowWalkedPoint(Coordinate k, float value) noexcept VORTANE_NONBLOCKING;

    // Everything the voice reads for one block, and the events since the last snapshot, which are
    // then handed over. Audio thread.
    void Snapshot(VoiceParams& params) noexcept VORTANE_NONBLOCKING;
    // The same without handing the events over, for a look from any thread.
    void Peek(VoiceParams& params) const;

private:
    template <typename T> using A = std::atomic<T>;
    void Post(uint32_t events) { events_.fetch_or(events, std::memory_order_release); }
    void ReadValues(VoiceParams& params) const noexcept VORTANE_NONBLOCKING;

    ControlPanel panel_;

    // Master Filter and level
    A<double> cutoff_{1500.0}; // Hz
    A<int> resonance_{50};     // 0..100
    A<float> master_volume_{0.0f};

    // the curve: the sliders' coordinates, and what the display shows
    std::array<A<float>, kCoordinateCount> points_{kInitialPoints[0], kInitialPoints[1], kInitialPoints[2],
                                                   kInitialPoints[3]};
    std::array<A<float>, kCoordinateCount> display_points_{kInitialPoints[0], kInitialPoints[1],
                                                           kInitialPoints[2], kInitialPoints[3]};
    A<float> x1_max_{99.0f};

    // period walk
    A<int> frequency_setting_{180};
    A<float> primary_step_size_{1.0f};
    A<float> probability_width_{0.2f};
    A<int> primary_step_barrier_{0};
    A<float> secondary_barrier_{0.0f};

    // control-point walks, indexed by Coordinate
    std::array<A<float>, kCoordinateCount> point_step_size_{50.0f, 50.0f, 50.0f, 50.0f};
    std::array<A<int>, kCoordinateCount> point_barrier_{30, 30, 30, 30};
    std::array<A<int>, kCoordinateCount> negative_{0, 0, 0, 0};
    std::array<A<int>, kCoordinateCount> walk_on_{0, 0, 0, 0};

    // gate
    A<int> output_gate_{0};
    A<int> play_state_{0};
    A<uint32_t> stop_count_{0}; // raised by every Stop click; MIDI note handling then forgets its held keys

    // VoiceParams::Event bits the voice has not seen yet; the first snapshot hands over the cutoff and
    // the sliders' coordinates.
    A<uint32_t> events_;
};

// Display X1 = "X1" state × X1 Max value ÷ 99 ÷ 100, in that order.
float DisplayX1(int x1_state, float x1_max);

} // namespace vortane
