#include <QSlider>

#include "app/waveform_view.h"
#include "engine/waveform_rows.h"
#include "shell_fixture.h"

namespace vortane {
namespace {

bool IsWhite(const QImage& picture, int x, int y) {
    return picture.pixel(x, y) == 0xffffffffu;
}

// The picture joins neighbouring columns: every column is white at its own row, and its white
// pixels lie between its row and the halfway points towards its neighbours' rows.
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
            EXPECT_TRUE(IsWhite(picture, x, row)) << "column " << x;
        }
        for (int y = 0; y < kDisplayHeight; ++y) {
            const QRgb pixel = picture.pixel(x, y);
            ASSERT_TRUE(pixel == 0xffffffffu || pixel == 0xff000000u);
            if (y < lo || y > hi) {
                ASSERT_FALSE(IsWhite(picture, x, y)) << "column " << x << " row " << y;
            }
        }
    }
}

TEST(PlotWaveform, JoinsFarApartColumnsAndClipsBelowTheSurface) {
    std::array<int, kDisplayWidth> rows{};
    rows.fill(100);
    rows[5] = 0;
    rows[6] = 199;
    rows[300] = 260; // below the bottom edge
    QImage picture(kDisplayWidth, kDisplayHeight, QImage::Format_RGB32);
    PlotWaveform(picture, rows);
    for (int y = 0; y < kDisplayHeight; ++y) {
        EXPECT_TRUE(IsWhite(picture, 5, y) || IsWhite(picture, 6, y)) << y;
    }
    EXPECT_TRUE(IsWhite(picture, 299, 100));
    EXPECT_TRUE(IsWhite(picture, 299, 130) || IsWhite(picture, 300, 130));
    ExpectTraceOfRows(picture, rows);
}

using WaveformDisplayTest = testing::ShellFixture;

TEST_F(WaveformDisplayTest, InitialCurveFollowsTheShapersRows) {
    const QImage& picture = window->display().picture();
    const auto rows = ComputeDisplayRows(0.5f, 0.06f, 0.75f, 0.95f);
    ExpectTraceOfRows(picture, rows);
    EXPECT_EQ(rows[0], 100);
    EXPECT_NEAR(rows[110], 125, 2);
    EXPECT_NEAR(rows[323], 74, 2);
    EXPECT_NEAR(rows[399], 99, 1);
    EXPECT_TRUE(IsWhite(picture, 0, 100));
}

TEST_F(WaveformDisplayTest, HeightsAboveOneAreDrawnFlatAlongTheTopRow) {
    // Y2 at 1.49 with Y1 at its top 0.79 lifts the curve above height 1.0.
    for (int id : {id::kY1, id::kY2}) {
        QTest::keyClick(Control<QSlider>(id), Qt::Key_End);
    }
    ASSERT_EQ(Get(engine().state.y1), 0.79f);
    ASSERT_EQ(Get(engine().state.y2), 1.49f);
    const auto rows = ComputeDisplayRows(0.5f, 0.79f, 0.75f, 1.49f);
    const QImage& picture = window->display().picture();
    ExpectTraceOfRows(picture, rows);
    int flat = 0;
    for (int x = 0; x < kDisplayWidth; ++x) {
        flat += rows[size_t(x)] == 0 && IsWhite(picture, x, 0) ? 1 : 0;
    }
    EXPECT_GE(flat, 10);
}

TEST_F(WaveformDisplayTest, RedrawnOnlyOnTheFiveCurveSliders) {
    WaveformView& view = window->display();
    const int start = view.redraw_count();
    for (int id : {id::kFrq, id::kMasterVolume, id::kX1StepSize}) {
        QTest::keyClick(Control<QSlider>(id), Qt::Key_Up);
    }
    engine().panel.SetState(id::kX2, 20); // a program's change
    LetWindowFollowPanel();
    EXPECT_EQ(view.redraw_count(), start);
    const QImage before = view.picture();
    QTest::keyClick(Control<QSlider>(id::kX1Max), Qt::Key_End); // "X1" itself does not move
    EXPECT_EQ(view.redraw_count(), start + 1);
    EXPECT_FLOAT_EQ(Get(engine().state.display_x1), 50.0f * 115.0f / 99.0f / 100.0f);
    EXPECT_NE(view.picture(), before);
}

} // namespace
} // namespace vortane
