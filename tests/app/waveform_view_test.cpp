#include <QSlider>

#include "app/waveform_view.h"
#include "engine/waveform_rows.h"
#include "shell_fixture.h"

namespace vortane {
namespace {

using WaveformDisplayTest = testing::ShellFixture;

// The picture joins neighbouring columns: every column is white at its own row (when on screen),
// black or white elsewhere, and white only between the halfway points towards its neighbours' rows.
void ExpectTraceOfRows(const QImage& picture, const std::array<int, kDisplayWidth>& rows) {
    ASSERT_EQ(picture.size(), QSize(kDisplayWidth, kDisplayHeight));
    for (int x = 0; x < kDisplayWidth; ++x) {
        const int row = rows[size_t(x)];
        int lo = row, hi = row;
        for (int n : {x - 1, x + 1}) {
            if (n >= 0 && n < kDisplayWidth) {
                lo = std::min(lo, (row + rows[size_t(n)]) / 2 - 1);
                hi = std::max(hi, (row + rows[size_t(n)] + 1) / 2 + 1);
            }
        }
        if (row >= 0 && row < kDisplayHeight) {
            EXPECT_EQ(picture.pixel(x, row), 0xffffffffu) << "column " << x;
        }
        for (int y = 0; y < kDisplayHeight; ++y) {
            const QRgb pixel = picture.pixel(x, y);
            ASSERT_TRUE(pixel == 0xff000000u || (pixel == 0xffffffffu && y >= lo && y <= hi))
                << "column " << x << " row " << y;
        }
    }
}

TEST_F(WaveformDisplayTest, InitialCurveFollowsTheShapersRows) {
    const auto rows = ComputeDisplayRows(0.5f, 0.06f, 0.75f, 0.95f);
    ExpectTraceOfRows(window->display().picture(), rows);
    EXPECT_EQ(rows[0], 100);
    EXPECT_NEAR(rows[110], 125, 2);
    EXPECT_NEAR(rows[323], 74, 2);
}

TEST_F(WaveformDisplayTest, HeightsAboveOneAreDrawnFlatAlongTheTopRow) {
    for (int id : {id::kY1, id::kY2}) {
        QTest::keyClick(Control<QSlider>(id), Qt::Key_End);
    }
    ASSERT_EQ(Params().points[3], 1.49f);
    const auto rows = ComputeDisplayRows(0.5f, 0.79f, 0.75f, 1.49f);
    ExpectTraceOfRows(window->display().picture(), rows);
    EXPECT_GE(std::count(rows.begin(), rows.end(), 0), 10);
}

} // namespace
} // namespace vortane
