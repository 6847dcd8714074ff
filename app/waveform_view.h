#pragma once

#include <QImage>
#include <QWidget>
#include <array>

#include "engine/waveform_rows.h"

namespace vortane {

// Paints white one-pixel segments between the rows of neighbouring columns on a black 400 x 200
// picture. A segment includes both end points; rows outside the picture are clipped.
void PlotWaveform(QImage& picture, const std::array<int, kDisplayWidth>& rows);

// The waveform display: one period of the curve as the control-point sliders set it. It keeps the
// last picture and shows it until the next redraw; it never follows the audio thread.
class WaveformView final : public QWidget {
public:
    explicit WaveformView(QWidget* parent);

    void Redraw(float display_x1, float y1, float x2, float y2);

    const QImage& picture() const { return picture_; }
    int redraw_count() const { return redraw_count_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage picture_;
    int redraw_count_ = 0;
};

} // namespace vortane
