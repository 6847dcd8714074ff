#include "engine/waveform_rows.h"

#include <cmath>

#include "engine/bezier_shaper.h"

namespace vortane {

// The columns are independent: the shaper runs sixteen of them at once, each lane with the bits
// the scalar shaper would give.
std::array<int, kDisplayWidth> ComputeDisplayRows(float display_x1, float y1, float x2, float y2) {
    static_assert(kDisplayWidth % kLanes == 0);
    BezierCurveLanes curve;
    curve.Init(FloatLanes{} + display_x1, FloatLanes{} + y1, FloatLanes{} + x2, FloatLanes{} + y2);
    IntLanes column{};
    for (int lane = 0; lane < kLanes; ++lane) {
        column[lane] = lane;
    }
    std::array<int, kDisplayWidth> rows{};
    for (int first = 0; first < kDisplayWidth; first += kLanes) {
        // The last column is 399 ÷ 400: the period's end itself is not drawn.
        const FloatLanes t =
            __builtin_convertvector(column + first, FloatLanes) / static_cast<float>(kDisplayWidth);
        FloatLanes row;
        curve.Row(t, row);
        for (int lane = 0; lane < kLanes; ++lane) {
            rows[static_cast<size_t>(first + lane)] =
                static_cast<int>(std::nearbyint(row[lane])); // ties to even
        }
    }
    return rows;
}

} // namespace vortane
