#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>

#include "app/waveform_view.h"
#include "engine/waveform_rows.h"
#include "shell_fixture.h"

namespace vortane {
namespace {

using MainWindowTest = testing::ShellFixture;
using P = ParamId;

// A user's move sets its parameter (and redraws the curve for the curve sliders); the option groups
// are independent of each other; a value set by another thread reaches the widgets at the next tick
// and raises no event. "X1" takes its maximum from "X1 Max".
TEST_F(MainWindowTest, UserMovesSetParametersAndTheWidgetsFollowTheOtherThreads) {
    EXPECT_EQ(Control<QSlider>(P::X1)->maximum(), 99);
    auto* y1 = Control<QSlider>(P::Y1);
    const int redraws = window->display().redraw_count();
    y1->setFocus();
    QTest::keyClick(y1, Qt::Key_Down);
    QTest::mouseClick(Control<QCheckBox>(P::Y2On), Qt::LeftButton);
    QTest::mouseClick(Control<QRadioButton>(P::Distribution, 1), Qt::LeftButton);
    QTest::mouseClick(Control<QRadioButton>(P::Behaviour, 4), Qt::LeftButton);
    EXPECT_EQ(Point(Coordinate::Y1), 0.04f);
    EXPECT_EQ(params().Get(P::Y2On), 1.0f);
    EXPECT_EQ(params().Whole(P::Distribution), 1);
    EXPECT_EQ(params().Whole(P::Behaviour), 4);
    EXPECT_EQ(params().Whole(P::WalkMode), 0);
    for (const auto& [choice, option] :
         {std::pair{P::Distribution, 1}, {P::Behaviour, 4}, {P::WalkMode, 0}}) {
        EXPECT_TRUE(Control<QRadioButton>(choice, option)->isChecked()) << Spec(choice).name;
    }
    EXPECT_EQ(window->display().redraw_count(), redraws + 1);

    params().Set(P::Frq, 700.0f); // as the MIDI thread does
    params().Set(P::X1Negative, 1.0f);
    LetWindowFollowPanel();
    EXPECT_EQ(Control<QSlider>(P::Frq)->value(), 700);
    EXPECT_TRUE(Control<QCheckBox>(P::X1Negative)->isChecked());
    EXPECT_EQ(window->display().redraw_count(), redraws + 1);
}

// The display joins the shaper's rows column by column: each column white at its row (where on
// screen) and elsewhere only up to its neighbours' rows, the rest black. With Y1 and Y2 at their
// tops, heights above one run flat along the top row.
TEST_F(MainWindowTest, DisplayTracesTheShapersRows) {
    for (P id : {P::Y1, P::Y2}) {
        QTest::keyClick(Control<QSlider>(id), Qt::Key_End);
    }
    const auto rows = ComputeDisplayRows(Point(Coordinate::X1), Point(Coordinate::Y1), Point(Coordinate::X2),
                                         Point(Coordinate::Y2));
    ASSERT_GE(std::count(rows.begin(), rows.end(), 0), 10);
    const QImage& picture = window->display().picture();
    ASSERT_EQ(picture.size(), QSize(kDisplayWidth, kDisplayHeight));
    for (int x = 0; x < kDisplayWidth; ++x) {
        const int row = rows[size_t(x)];
        int lo = row, hi = row; // white at most halfway towards the neighbours' rows
        for (int n : {std::max(x - 1, 0), std::min(x + 1, kDisplayWidth - 1)}) {
            lo = std::min(lo, (row + rows[size_t(n)]) / 2 - 1);
            hi = std::max(hi, (row + rows[size_t(n)] + 1) / 2 + 1);
        }
        for (int y = 0; y < kDisplayHeight; ++y) {
            const QRgb pixel = picture.pixel(x, y);
            const bool white = y == row || (pixel == 0xffffffffu && y >= lo && y <= hi);
            ASSERT_EQ(pixel, white ? 0xffffffffu : 0xff000000u) << "column " << x << " row " << y;
        }
    }
}

std::string AccessibleText(QWidget* widget, QAccessible::Text which) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face != nullptr ? face->text(which).toStdString() : "<none>";
}

// A screen reader hears what the user sees: the button's current caption, also after a MIDI note
// changed it, the status fields' texts and what each field is, and for captions that do not say
// which control they are, the control's row.
TEST_F(MainWindowTest, AccessibleNamesFollowWhatTheWindowShows) {
    auto* play = Control<QPushButton>(id::kPlay);
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_EQ(AccessibleText(play, QAccessible::Name), "Stop");
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_EQ(AccessibleText(play, QAccessible::Name), "Play");
    transport().OpenGateByNote(); // as a MIDI note does
    transport().SetGateText(GateText::On);
    LetWindowFollowPanel();
    EXPECT_EQ(AccessibleText(play, QAccessible::Name), "Stop");
    EXPECT_EQ(AccessibleText(window->status().Field(1), QAccessible::Name), "On");
    EXPECT_EQ(AccessibleText(window->status().Field(1), QAccessible::Description), "Gate");
    EXPECT_EQ(AccessibleText(Control<QCheckBox>(P::Y2On), QAccessible::Name), "Y2 On");
    EXPECT_EQ(AccessibleText(Control<QSlider>(P::Frq), QAccessible::Name), "Frq");
}

// The close box ends the loop as Escape does (pressed at the end of the modal-window and lost-output
// tests), and shutdown terminates the library.
TEST_F(MainWindowTest, CloseBoxEndsTheEventLoopAndShutdownTerminatesTheLibrary) {
    EXPECT_TRUE(LoopEndsAfter([&] { window->close(); }));
    EXPECT_TRUE(window->quit_requested());
    app.ShutDown();
    EXPECT_EQ(backend.calls.back(), "Terminate");
    EXPECT_EQ(backend.misuse, 0);
}

} // namespace
} // namespace vortane
