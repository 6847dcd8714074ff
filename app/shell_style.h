#pragma once

#include <QFont>
#include <QProxyStyle>

namespace vortane {

// The font of the main window's captions: a condensed face, 10 pixels high, so that every caption
// fits its control at the fixed sizes of the layout, where most controls are 20 pixels high.
QFont ShellFont();

// The platform's style with option buttons and check boxes drawn compactly: a 13-pixel indicator
// and a 4-pixel gap before the caption, as the narrow option buttons of the layout need.
class ShellStyle final : public QProxyStyle {
public:
    ShellStyle() = default;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
};

} // namespace vortane
