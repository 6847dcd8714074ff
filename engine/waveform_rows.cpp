#include "engine/waveform_rows.h"

#include <cmath>

#include "engine/bezier_shaper.h"

namespace vortane {

std::array<int, kDisplayWidth> ComputeDisplayRows(float display_x1, float y1, float x2, float y2) {
    BezierCurve curve;
    curve.Init(display_x1, y1, x2, y2);
    std::array<int, kDisplayWidth> rows{};
    for (int i = 0; i < kDisplayWidth; ++i) {
        // The last column is 399 ÷ 400: the period's end itself is not drawn.
        const float t = static_cast<float>(i) / static_cast<float>(kDisplayWidth);
        float row = 0.0f;
        curve.Row(t, row);
        rows[static_cast<size_t>(i)] = static_cast<int>(std::nearbyint(row)); // ties to even
    }
    return rows;
}

} // namespace vortane
