#include "control/curve_monitor.h"

#include "control/derivation.h"

namespace vortane {

DisplayCurve CurveMonitor::Curve(const ParamStore& params) const {
    ParamValues values;
    params.Load(values);
    std::array<float, kCoordinateCount> points{};
    for (Coordinate k : {Coordinate::Y1, Coordinate::X2, Coordinate::Y2}) {
        const auto i = static_cast<size_t>(k);
        const uint32_t walked_at = walked_at_[i].load(std::memory_order_acquire);
        const bool walked_last = walked_at != 0 && walked_at >= params.WrittenAt(PointParam(k));
        points[i] = walked_last ? walked_[i].load(std::memory_order_relaxed)
                                : SliderPoint(k, values, params.HandedOver());
    }
    return DisplayCurve{DisplayX1(params.Whole(ParamId::X1), params.Get(ParamId::X1Max)), points[1],
                        points[2], points[3]};
}

} // namespace vortane
