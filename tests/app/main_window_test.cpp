#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>

#include <filesystem>
#include <fstream>

#include "app/preset_menu.h"
#include "app/shell_style.h"
#include "app/waveform_view.h"
#include "engine/waveform_rows.h"
#include "presets/preset.h"
#include "shell_fixture.h"

namespace vortane {
namespace {

using MainWindowTest = testing::ShellFixture;
using P = ParamId;

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

// A screen reader hears what the user sees: the button's current caption, also after a MIDI note
// changed it, the status fields' texts and what each field is, and for captions that do not say
// which control they are, the control's row.
TEST_F(MainWindowTest, AccessibleNamesFollowWhatTheWindowShows) {
    const auto heard = [](QWidget* widget, QAccessible::Text which = QAccessible::Name) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
        return face != nullptr ? face->text(which).toStdString() : "<none>";
    };
    auto* play = Control<QPushButton>(id::kPlay);
    EXPECT_EQ(heard(play), "Play");
    transport().OpenGateByNote(); // as a MIDI note does
    transport().SetGateText(GateText::On);
    LetWindowFollowPanel();
    EXPECT_EQ(heard(play), "Stop");
    EXPECT_EQ(heard(window->status().Field(1)), "On");
    EXPECT_EQ(heard(window->status().Field(1), QAccessible::Description), "Gate");
    EXPECT_EQ(heard(Control<QCheckBox>(P::Y2On)), "Y2 On");
}

// The close box ends the loop as Escape does (pressed at the end of the modal-window test), and
// shutdown terminates the library.
TEST_F(MainWindowTest, CloseBoxEndsTheEventLoopAndShutdownTerminatesTheLibrary) {
    EXPECT_TRUE(LoopEndsAfter([&] { window->close(); }));
    EXPECT_TRUE(window->quit_requested());
    app.ShutDown();
    EXPECT_EQ(backend.calls.back(), "Terminate");
    EXPECT_EQ(backend.misuse, 0);
}

class ModalWindowTest : public testing::ShellFixture, public ::testing::WithParamInterface<const char*> {};

// While Help, About or the controller window is open, Escape, the close box, a slider key and the
// Play button reach the main window's widgets but none of their events run. Escape, Return and a
// click inside do not end Help or the controller window (About's buttons answer them); only the
// close box does. Afterwards the widgets show the parameters again and the window acts as usual,
// its Escape ending the program at once.
TEST_P(ModalWindowTest, DropsTheMainWindowsEventsAndClosesOnlyByItsCloseBox) {
    const bool message_box = std::string_view(GetParam()) == "About";
    auto* y2 = Control<QSlider>(P::Y2);
    int shown_in_modal = 0;
    bool open_after_keys = true;
    ASSERT_TRUE(testing::InModalWindow(testing::MenuItem(*window, GetParam()), [&](QWidget& modal) {
        if (!message_box) {
            QTest::keyClick(modal.focusWidget() != nullptr ? modal.focusWidget() : &modal, Qt::Key_Escape);
            QTest::keyClick(&modal, Qt::Key_Escape);
            QTest::keyClick(&modal, Qt::Key_Return);
            QTest::mouseClick(&modal, Qt::LeftButton, {}, QPoint(2, 2));
            QTest::qWait(20);
            open_after_keys = modal.isVisible() && QApplication::activeModalWidget() == &modal;
        }
        QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
        window->close();
        QTest::keyClick(y2, Qt::Key_Up);
        QTest::mouseClick(Control<QPushButton>(id::kPlay), Qt::LeftButton);
        shown_in_modal = y2->value();
        modal.close();
    }));
    EXPECT_TRUE(open_after_keys);
    EXPECT_FALSE(window->quit_requested());
    EXPECT_EQ(shown_in_modal, 96);         // the slider itself moved ...
    EXPECT_EQ(params().Get(P::Y2), 95.0f); // ... but its event did not run
    EXPECT_EQ(y2->value(), 95);
    EXPECT_FALSE(transport().gate_open());
    // Afterwards a move sets its parameter (a curve slider's redraws the curve, once) and each option
    // group keeps its own choice.
    const int redraws = window->display().redraw_count();
    QTest::keyClick(y2, Qt::Key_Up);
    QTest::mouseClick(Control<QCheckBox>(P::Y2On), Qt::LeftButton);
    QTest::mouseClick(Control<QRadioButton>(P::Distribution, 1), Qt::LeftButton);
    QTest::mouseClick(Control<QRadioButton>(P::Behaviour, 4), Qt::LeftButton);
    EXPECT_EQ(Point(Coordinate::Y2), 0.96f);
    EXPECT_EQ(params().Get(P::Y2On), 1.0f);
    for (const auto& [choice, option] :
         {std::pair{P::Distribution, 1}, {P::Behaviour, 4}, {P::WalkMode, 0}}) {
        EXPECT_EQ(params().Whole(choice), option) << Spec(choice).name;
        EXPECT_TRUE(Control<QRadioButton>(choice, option)->isChecked()) << Spec(choice).name;
    }
    EXPECT_EQ(window->display().redraw_count(), redraws + 1);
    // The user's next key comes after the window events that closing the window raised.
    EXPECT_TRUE(LoopEndsAfter([&] {
        QCoreApplication::processEvents();
        QTest::keyClick(window, Qt::Key_Escape);
    }));
}

INSTANTIATE_TEST_SUITE_P(Windows, ModalWindowTest, ::testing::Values("Help", "About", "Midi Controllers"));

// The captions of both windows fit their controls: in the condensed face where it is installed, and
// where it is missing (a face of no machine here) in the face the system falls back to, stepped down
// until they fit. The controller window's captions are in the main window's face, no larger.
TEST_F(MainWindowTest, CaptionsFitWithOrWithoutTheCondensedFace) {
    for (const bool missing : {false, true}) {
        if (missing) {
            QFont font(QStringLiteral("Vortane No Such Face"));
            font.setPixelSize(10);
            window->setFont(font);
            FitCaptionFont(*window);
        }
        SCOPED_TRACE(missing ? "face missing" : "the window's own font");
        for (const QLabel* label : window->findChildren<QLabel*>()) {
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
                << label->text().toStdString();
        }
        ASSERT_TRUE(testing::InControllerWindow(*window, [&](ControllerWindow& controllers) {
            for (int slot = 1; slot <= kSlotCount; ++slot) {
                const QLabel* label = controllers.Label(slot);
                SCOPED_TRACE(label->text().toStdString());
                EXPECT_EQ(label->font().family(), window->font().family());
                EXPECT_LE(label->font().pixelSize(), window->font().pixelSize());
                EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
                EXPECT_LT(label->geometry().right(), controllers.List(slot)->geometry().left());
                EXPECT_EQ(controllers.List(slot)->accessibleName(), label->text());
            }
            controllers.close();
        }));
    }
}

// The "Presets" menu. What a preset sets in the synth, what saving keeps and why a file is refused
// are the presets' own tests (tests/presets); here the window's part.
struct PresetMenuTest : testing::ShellFixture {
    // As an installed program finds its factory presets under ${datadir}.
    PresetMenuTest() { setenv("XDG_DATA_DIRS", VORTANE_BUILD_DATA_DIR, 1); }

    QAction* Item(const QString& text) const { return testing::MenuItem(*window, text, "Presets"); }

    const QTemporaryDir scratch;
    const std::filesystem::path folder = scratch.path().toStdString();
};

// A factory preset from the menu moves every kind of widget and redraws the curve, but leaves Play
// alone. A refused file or folder changes nothing and says why; a folder is not written over.
TEST_F(PresetMenuTest, FactoryPresetMovesTheWidgetsAndARefusedOneChangesNothing) {
    QTest::mouseClick(Control<QPushButton>(id::kPlay), Qt::LeftButton);
    QTest::mouseClick(Control<QCheckBox>(P::X2On), Qt::LeftButton);
    int redraws = window->display().redraw_count();
    ASSERT_NE(Item("Falling Sirens"), nullptr);
    Item("Falling Sirens")->trigger();
    EXPECT_EQ(Control<QSlider>(P::SecondaryBarrier)->value(), 480);
    EXPECT_TRUE(Control<QRadioButton>(P::WalkMode, 2)->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(P::X2On)->isChecked()) << "the preset sets every parameter";
    EXPECT_GT(window->display().redraw_count(), redraws);
    EXPECT_EQ(Control<QPushButton>(id::kPlay)->text(), "Stop");
    EXPECT_TRUE(transport().gate_open());

    redraws = window->display().redraw_count();
    const Preset before = CapturePreset(app.synth());
    std::ofstream(folder / "bad.vpreset") << "Vortane preset 1\nFrq = 300\nY2 = 200\n";
    EXPECT_FALSE(window->presets().LoadFile(folder / "bad.vpreset"));
    EXPECT_FALSE(window->presets().LoadFile(folder));
    EXPECT_FALSE(window->presets().SaveFile(folder)) << "wrote over a folder";
    LetWindowFollowPanel();
    EXPECT_EQ(CapturePreset(app.synth()), before);
    EXPECT_EQ(window->display().redraw_count(), redraws);
    ASSERT_EQ(messages.messages.size(), 3u);
    EXPECT_EQ(messages.messages[0].first, "Presets");
    EXPECT_NE(messages.messages[0].second.find("line 3: \"Y2\" value 200 is outside 80..149"),
              std::string::npos)
        << messages.messages[0].second;
    EXPECT_NE(messages.messages[1].second.find("is a folder"), std::string::npos);
}

// A scale and a keyboard map tune the keys and name the tuning in the menu; "Twelve-Tone Equal" is
// ticked only while it is the tuning, also after a preset brought its own; a refused file changes
// nothing and says where.
TEST_F(PresetMenuTest, TuningFromTheMenuTunesTheKeysAndTheMenuShowsIt) {
    PresetMenu& menu = window->presets();
    QAction* equal = Item("Twelve-Tone Equal");
    ASSERT_NE(equal, nullptr);
    EXPECT_TRUE(equal->isChecked());
    std::ofstream(folder / "a432.kbm") << "! A at 432 Hz\n0\n0\n127\n60\n69\n432\n0\n";
    const std::filesystem::path scales = std::filesystem::path(VORTANE_BUILD_DATA_DIR) / "vortane" / "scales";
    ASSERT_TRUE(menu.LoadTuning(scales / "19-equal.scl", folder / "a432.kbm"));
    EXPECT_NEAR(app.synth().keys.Get(69), 432.0, 1e-3);
    EXPECT_FALSE(equal->isChecked());
    EXPECT_NE(Item("Tuning: 19 equal divisions of the octave"), nullptr);
    ASSERT_TRUE(menu.SaveFile(folder / "tuned.vpreset"));

    equal->trigger();
    EXPECT_TRUE(equal->isChecked());
    ASSERT_TRUE(menu.LoadFile(folder / "tuned.vpreset"));
    EXPECT_FALSE(equal->isChecked());

    std::ofstream(folder / "bad.scl") << "two\n2\n100.0\n-3/2\n";
    EXPECT_FALSE(menu.LoadTuning(folder / "bad.scl", {}));
    EXPECT_FALSE(equal->isChecked());
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].second.find("bad.scl\" line 4"), std::string::npos)
        << messages.messages[0].second;
}

} // namespace
} // namespace vortane
