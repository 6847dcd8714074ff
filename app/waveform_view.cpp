#include "app/waveform_view.h"

#include <QPainter>
#include <cstdlib>

namespace vortane {
namespace {

constexpr QRgb kBlack = 0xff000000;
constexpr QRgb kWhite = 0xffffffff;

void PutPixel(QImage& picture, int x, int y) {
    if (x >= 0 && x < picture.width() && y >= 0 && y < picture.height()) {
        picture.setPixel(x, y, kWhite);
    }
}

// Bresenham's line from (x0, y0) to (x1, y1), both end points drawn.
void DrawSegment(QImage& picture, int x0, int y0, int x1, int y1) {
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        PutPixel(picture, x0, y0);
        if (x0 == x1 && y0 == y1) {
            return;
        }
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y0 += sy;
        }
    }
}

} // namespace

void PlotWaveform(QImage& picture, const std::array<int, kDisplayWidth>& rows) {
    picture.fill(kBlack);
    for (int i = 0; i + 1 < kDisplayWidth; ++i) {
        DrawSegment(picture, i, rows[static_cast<size_t>(i)], i + 1, rows[static_cast<size_t>(i + 1)]);
    }
}

WaveformView::WaveformView(QWidget* parent)
    : QWidget(parent), picture_(kDisplayWidth, kDisplayHeight, QImage::Format_RGB32) {
    picture_.fill(kBlack);
    setFixedSize(kDisplayWidth, kDisplayHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void WaveformView::Redraw(float display_x1, float y1, float x2, float y2) {
    PlotWaveform(picture_, ComputeDisplayRows(display_x1, y1, x2, y2));
    ++redraw_count_;
    update();
}

void WaveformView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

} // namespace vortane
