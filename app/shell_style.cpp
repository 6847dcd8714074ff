#include "app/shell_style.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QRadioButton>

namespace vortane {
namespace {

constexpr int kIndicatorSize = 13;
constexpr int kLabelSpacing = 4;
constexpr int kSmallestCaptionPixels = 6;

// The width a control leaves its caption: all of a label, a check box's or option button's less
// its indicator and the gap after it.
int CaptionRoom(const QWidget& control) {
    const QStyle* style = control.style();
    if (qobject_cast<const QCheckBox*>(&control) != nullptr) {
        return control.width() - style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &control) -
               style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, &control);
    }
    if (qobject_cast<const QRadioButton*>(&control) != nullptr) {
        return control.width() - style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, &control) -
               style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, &control);
    }
    return control.contentsRect().width();
}

bool CaptionsFit(const QWidget& window) {
    for (const QWidget* control : window.findChildren<QWidget*>()) {
        QString caption;
        if (const auto* label = qobject_cast<const QLabel*>(control);
            label != nullptr && !label->wordWrap()) {
            caption = label->text();
        } else if (qobject_cast<const QCheckBox*>(control) || qobject_cast<const QRadioButton*>(control)) {
            caption = static_cast<const QAbstractButton*>(control)->text();
        }
        if (!caption.isEmpty() && control->fontMetrics().horizontalAdvance(caption) > CaptionRoom(*control)) {
            return false;
        }
    }
    return true;
}

} // namespace

QFont ShellFont() {
    QFont font(QStringLiteral("DejaVu Sans Condensed"));
    font.setPixelSize(10);
    return font;
}

void FitCaptionFont(QWidget& window) {
    QFont font = window.font();
    for (int pixels = QFontInfo(font).pixelSize(); !CaptionsFit(window) && pixels > kSmallestCaptionPixels;) {
        font.setPixelSize(--pixels);
        window.setFont(font);
    }
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
