#include "app/shell_style.h"

namespace vortane {
namespace {

constexpr int kIndicatorSize = 13;
constexpr int kLabelSpacing = 4;

} // namespace

QFont ShellFont() {
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setPixelSize(10);
    return font;
}

int ShellStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
    switch (metric) {
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight:
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
        return kIndicatorSize;
    case PM_RadioButtonLabelSpacing:
    case PM_CheckBoxLabelSpacing:
        return kLabelSpacing;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

} // namespace vortane
