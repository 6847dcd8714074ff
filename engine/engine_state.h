#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace vortane {

// The four control-point coordinates, in the order the oscillator walks them.
enum class Coordinate : int { X1 = 0, Y1 = 1, X2 = 2, Y2 = 3 };
inline constexpr int kCoordinateCount = 4;

// The engine values: the flat set of numbers that the GUI derives from control events, the MIDI
// handler writes and the audio thread reads sample by sample. Every value is its own atomic and is
// read and written whole with relaxed ordering; no consistency between values is promised.
// Member initialisers are the values before any window exists.
struct EngineState {
    template <typename T> using A = std::atomic<T>;

    // master filter and level
    A<double> cutoff{1500.0}; // Hz
    A<int> resonance{50};     // 0..100
    A<float> master_volume{0.0f};

    // the curve's control points (curve units) and the display's own X1
    A<float> x1{0.5f};
    A<float> y1{0.06f};
    A<float> x2{0.75f};
    A<float> y2{0.95f};
    A<float> display_x1{0.5f};
    A<float> x1_max{99.0f};

    // period walk inputs
    A<int> frequency_setting{180};
    A<float> primary_step_size{1.0f};
    A<float> probability_width{0.2f};
    A<int> primary_step_barrier{0};
    A<float> secondary_barrier{0.0f};

    // control-point walk inputs, indexed by Coordinate
    std::array<A<float>, kCoordinateCount> point_step_size{50.0f, 50.0f, 50.0f, 50.0f};
    std::array<A<int>, kCoordinateCount> point_barrier{30, 30, 30, 30};
    std::array<A<int>, kCoordinateCount> negative{0, 0, 0, 0};
    std::array<A<int>, kCoordinateCount> walk_on{0, 0, 0, 0};

    // oscillator
    A<int> period_length{0};
    A<int> period_position{0};

    // gate and output stage
    A<int> output_gate{0};
    A<int> play_state{0};
    A<uint32_t> stop_count{0}; // raised by every Stop click; MIDI note handling then forgets its held keys
    A<int> start_done{0};
    A<int> frame_index{0};
    A<double> output_gain{0.0};
};

// Relaxed load and store, the only ordering the engine needs.
template <typename T> inline T Get(const std::atomic<T>& v) {
    return v.load(std::memory_order_relaxed);
}
template <typename T, typename U> inline void Put(std::atomic<T>& v, U value) {
    v.store(static_cast<T>(value), std::memory_order_relaxed);
}

} // namespace vortane
