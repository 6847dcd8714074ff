#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "base/coordinate.h"
#include "base/realtime.h"
#include "control/param_store.h"

namespace vortane {

// The curve the waveform display shows: display X1 (from "X1" and "X1 Max", not the sound's X1),
// and Y1, X2, Y2 as their sliders or walks last set them.
struct DisplayCurve {
    float x1, y1, x2, y2;
};

// What the audio thread tells the display of the curve, and nothing else: the coordinates the walks
// moved, each with the store's revision at the block in which it moved. The audio thread writes,
// any other thread reads; nothing here is written back into the parameters.
class CurveMonitor {
public:
    void Publish(Coordinate k, float value, uint32_t revision) noexcept VORTANE_NONBLOCKING {
        const auto i = static_cast<size_t>(k);
        walked_[i].store(value, std::memory_order_relaxed);
        walked_at_[i].store(revision, std::memory_order_release);
    }

    // The curve as of now: for Y1, X2 and Y2 the later of the slider's last write and the walk's
    // last move (the slider's value also before any move).
    DisplayCurve Curve(const ParamStore& params) const;

private:
    std::array<std::atomic<float>, kCoordinateCount> walked_{};
    std::array<std::atomic<uint32_t>, kCoordinateCount> walked_at_{}; // 0: never walked
};

} // namespace vortane
