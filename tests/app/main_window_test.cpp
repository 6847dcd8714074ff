#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QStatusBar>

#include "app/waveform_view.h"
#include "engine/waveform_rows.h"
#include "shell_fixture.h"

namespace vortane {
namespace {

using MainWindowTest = testing::ShellFixture;
using P = ParamId;

TEST_F(MainWindowTest, FixedWindowWithStatusFieldsAndStartValues) {
    const QRect client = window->client_area().geometry();
    EXPECT_EQ(client.width(), 745);
    EXPECT_EQ(client.height() + window->statusBar()->height(), 515);
    EXPECT_EQ(window->height(), client.top() + 515);
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_FALSE(window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    auto& status = window->status();
    EXPECT_EQ(status.Field(0)->geometry(), QRect(0, 0, 100, StatusFields::kHeight));
    EXPECT_EQ(status.Field(1)->geometry(), QRect(100, 0, 100, StatusFields::kHeight));
    EXPECT_EQ(status.Field(2)->geometry(), QRect(200, 0, 30, StatusFields::kHeight));
    EXPECT_EQ(status.Text(0), "No MIDI IN");
    EXPECT_EQ(status.Text(1), "Off");
    status.SetText(2, "x");
    EXPECT_EQ(status.Text(2), "");
    EXPECT_EQ(Control<QComboBox>(id::kAudioDevice)->currentText(), "pipewire");
    // A vertical slider has its maximum at the top; "X1" takes its maximum from "X1 Max".
    EXPECT_EQ(Control<QSlider>(P::Y2)->orientation(), Qt::Vertical);
    EXPECT_EQ(Control<QSlider>(P::X1)->maximum(), 99);
    EXPECT_EQ(Point(Coordinate::Y1), 0.06f); // the voice's start point until the slider moves
    EXPECT_EQ(backend.calls, (testing::Calls{"Initialize", "Open 0", "Start"}));
}

TEST_F(MainWindowTest, OptionGroupsAreIndependent) {
    QTest::mouseClick(Control<QRadioButton>(P::Distribution, 1), Qt::LeftButton);
    QTest::mouseClick(Control<QRadioButton>(P::Behaviour, 4), Qt::LeftButton);
    EXPECT_EQ(params().Whole(P::Distribution), 1);
    EXPECT_EQ(params().Whole(P::Behaviour), 4);
    EXPECT_EQ(params().Whole(P::WalkMode), 0);
    EXPECT_FALSE(Control<QRadioButton>(P::Distribution, 0)->isChecked());
}

// A user's move sets its parameter (and redraws the curve for the curve sliders); a value set by
// another thread reaches the widgets at the next tick and raises no event.
TEST_F(MainWindowTest, UserMovesSetParametersAndTheWidgetsFollowTheOtherThreads) {
    auto* y1 = Control<QSlider>(P::Y1);
    const int redraws = window->display().redraw_count();
    y1->setFocus();
    QTest::keyClick(y1, Qt::Key_Down);
    QTest::mouseClick(Control<QCheckBox>(P::Y2On), Qt::LeftButton);
    EXPECT_EQ(Point(Coordinate::Y1), 0.04f);
    EXPECT_EQ(params().Get(P::Y2On), 1.0f);
    EXPECT_EQ(window->display().redraw_count(), redraws + 1);

    params().Set(P::Frq, 700.0f); // as the MIDI thread does
    params().Set(P::X1Negative, 1.0f);
    LetWindowFollowPanel();
    EXPECT_EQ(Control<QSlider>(P::Frq)->value(), 700);
    EXPECT_TRUE(Control<QCheckBox>(P::X1Negative)->isChecked());
    EXPECT_EQ(window->display().redraw_count(), redraws + 1);
}

TEST_F(MainWindowTest, PlayAndStopToggleTheGateAndStopResetsThePeriodCount) {
    auto* play = Control<QPushButton>(id::kPlay);
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_EQ(play->text(), "Stop");
    const std::vector<float> sound = backend.Pull(4096);
    EXPECT_EQ(sound.front(), 0.0f); // the fade-in starts from zero
    EXPECT_GT(*std::max_element(sound.begin(), sound.end()), 0.05f);
    EXPECT_GT(app.synth().voice.oscillator().period_walk().period_count, 0);

    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_EQ(play->text(), "Play");
    EXPECT_EQ(window->status().Text(1), "Off"); // Play/Stop leaves the status bar alone
    backend.Pull(1);
    EXPECT_LE(app.synth().voice.oscillator().period_walk().period_count, 1); // restarted at the block
    const std::vector<float> silence = backend.Pull(512);
    EXPECT_TRUE(std::all_of(silence.begin(), silence.end(), [](float s) { return s == 0.0f; }));
}

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

// The display draws the shaper's rows at start-up, and with Y1 and Y2 at their tops, where heights
// above one run flat along the top row.
TEST_F(MainWindowTest, DisplayTracesTheShapersRows) {
    ExpectTraceOfRows(window->display().picture(), ComputeDisplayRows(0.5f, 0.06f, 0.75f, 0.95f));
    for (P id : {P::Y1, P::Y2}) {
        QTest::keyClick(Control<QSlider>(id), Qt::Key_End);
    }
    ASSERT_EQ(Point(Coordinate::Y2), 1.49f);
    const auto rows = ComputeDisplayRows(0.5f, 0.79f, 0.75f, 1.49f);
    ASSERT_GE(std::count(rows.begin(), rows.end(), 0), 10);
    ExpectTraceOfRows(window->display().picture(), rows);
}

std::string AccessibleText(QWidget* widget, QAccessible::Text which) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face != nullptr ? face->text(which).toStdString() : "<none>";
}

// A screen reader hears what the user sees: the button's current caption, the status fields' texts,
// and for captions that do not say which control they are, the control's row.
TEST_F(MainWindowTest, AccessibleNamesFollowWhatTheWindowShows) {
    auto* play = Control<QPushButton>(id::kPlay);
    EXPECT_EQ(AccessibleText(play, QAccessible::Name), "Play");
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_EQ(AccessibleText(play, QAccessible::Name), "Stop");
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_EQ(AccessibleText(play, QAccessible::Name), "Play");
    transport().OpenGateByNote(); // as a MIDI note does
    transport().SetGateText(GateText::On);
    LetWindowFollowPanel();
    EXPECT_EQ(AccessibleText(play, QAccessible::Name), "Stop");

    StatusFields& status = window->status();
    EXPECT_EQ(AccessibleText(status.Field(1), QAccessible::Name), "On");
    EXPECT_EQ(AccessibleText(status.Field(1), QAccessible::Description), "Gate");
    window->SetStatusText(0, "MIDI IN");
    EXPECT_EQ(AccessibleText(status.Field(0), QAccessible::Name), "MIDI IN");
    EXPECT_EQ(AccessibleText(status.Field(0), QAccessible::Description), "MIDI input state");

    EXPECT_EQ(AccessibleText(Control<QCheckBox>(P::X1On), QAccessible::Name), "X1 On");
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
