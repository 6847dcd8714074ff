#pragma once

#include <QFont>
#include <QProxyStyle>

namespace vortane {

// The font of the main window's captions: a condensed face, 10 pixels high, so that every caption
// fits its control at the fixed sizes of the layout, where most controls are 20 pixels high.
QFont ShellFont();

// Steps the window's font down a pixel at a time (to 6 pixels at the least) until the caption of
// every label, check box and option button in it fits beside its control. A machine without the
// condensed face draws captions in a wider one, which the fixed sizes were not made for.
void FitCaptionFont(QWidget& window);

// The platform's style with option buttons and check boxes drawn compactly: a 13-pixel indicator
// and a 4-pixel gap before the caption, as the narrow option buttons of the layout need.
class ShellStyle final : public QProxyStyle {
public:
    ShellStyle() = default;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
};

} // namespace vortane
