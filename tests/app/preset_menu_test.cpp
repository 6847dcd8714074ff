// The "Presets" menu of the main window: factory sounds, loading, saving and refusing.
#include <QAbstractButton>
#include <QRadioButton>

#include <filesystem>
#include <fstream>

#include "app/preset_menu.h"
#include "app/waveform_view.h"
#include "presets/preset.h"
#include "shell_fixture.h"

namespace vortane {
namespace {

namespace fs = std::filesystem;

struct PresetMenuTest : testing::ShellFixture {
    // As an installed program finds its factory presets under ${datadir}.
    PresetMenuTest() { setenv("XDG_DATA_DIRS", VORTANE_BUILD_DATA_DIR, 1); }

    // Every control's widget state, in table order.
    std::vector<int> WidgetStates() const {
        std::vector<int> states;
        for (const WindowControl& info : MainWindowControls()) {
            QWidget* w = window->controls().Widget(info.id);
            if (auto* slider = qobject_cast<QSlider*>(w)) {
                states.push_back(slider->value());
            } else if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable()) {
                states.push_back(b->isChecked() ? 1 : 0);
            }
        }
        return states;
    }
    // Every parameter's value, and the curve the display shows.
    std::vector<float> Values() const {
        std::vector<float> values;
        for (const ParamSpec& spec : vortane::Params()) {
            values.push_back(params().Get(spec.id));
        }
        for (Coordinate k : {Coordinate::X1, Coordinate::Y1, Coordinate::X2, Coordinate::Y2}) {
            values.push_back(Point(k));
        }
        return values;
    }

    const QTemporaryDir scratch;
    const fs::path folder = scratch.path().toStdString();
};

// A factory preset from the menu moves the widgets and the engine, every parameter (Y1 too), but not
// Play. A file the user saved loads back the same controls; a refused file or folder leaves every
// control as it was and says why; a folder is not written over.
TEST_F(PresetMenuTest, LoadsFactoryAndSavedPresetsAndARefusedOneChangesNothing) {
    QTest::mouseClick(Control<QPushButton>(id::kPlay), Qt::LeftButton);
    int redraws = window->display().redraw_count();
    QAction* sirens = MenuItem("Falling Sirens", "Presets");
    ASSERT_NE(sirens, nullptr);
    sirens->trigger();
    EXPECT_EQ(Control<QSlider>(ParamId::FrequencySetting)->value(), 120);
    EXPECT_EQ(Control<QSlider>(ParamId::SecondaryBarrier)->value(), 480);
    EXPECT_TRUE(Control<QRadioButton>(ParamId::WalkMode, 2)->isChecked());
    EXPECT_EQ(params().Get(ParamId::SecondaryBarrier), 480.0f);
    EXPECT_EQ(Point(Coordinate::Y1), 0.05f) << "every parameter is set, Y1 too";
    EXPECT_GT(window->display().redraw_count(), redraws);
    EXPECT_EQ(Control<QPushButton>(id::kPlay)->text(), "Stop");
    EXPECT_TRUE(transport().gate_open());

    QTest::mouseClick(Control<QRadioButton>(ParamId::Distribution, 3), Qt::LeftButton);
    QTest::mouseClick(Control<QRadioButton>(ParamId::Behaviour, 5), Qt::LeftButton);
    Control<QSlider>(ParamId::X1Max)->setValue(113); // as a drag does: the control event runs
    Control<QSlider>(ParamId::Res)->setValue(91);
    Control<QSlider>(ParamId::Y1)->setValue(20);
    QTest::mouseClick(Control<QWidget>(ParamId::X2On), Qt::LeftButton);
    const std::vector<int> widgets = WidgetStates();
    const std::vector<float> values = Values();
    const Preset saved = CapturePreset(app.synth());
    ASSERT_TRUE(window->presets().SaveFile(folder / "mine.vpreset"));

    redraws = window->display().redraw_count();
    std::ofstream(folder / "bad.vpreset") << "Vortane preset 1\nFrq = 300\nY2 = 200\n";
    EXPECT_FALSE(window->presets().LoadFile(folder / "bad.vpreset"));
    EXPECT_FALSE(window->presets().LoadFile(folder));
    LetWindowFollowPanel();
    EXPECT_EQ(WidgetStates(), widgets);
    EXPECT_EQ(Values(), values);
    EXPECT_EQ(window->display().redraw_count(), redraws);
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[0].first, "Presets");
    EXPECT_NE(messages.messages[0].second.find("line 3: \"Y2\" value 200 is outside 80..149"),
              std::string::npos)
        << messages.messages[0].second;
    EXPECT_NE(messages.messages[1].second.find("is a folder"), std::string::npos);
    EXPECT_FALSE(window->presets().SaveFile(folder)) << "wrote over a folder";
    EXPECT_EQ(messages.messages.size(), 3u);

    MenuItem("Deep Drone", "Presets")->trigger();
    ASSERT_NE(WidgetStates(), widgets);
    ASSERT_TRUE(window->presets().LoadFile(folder / "mine.vpreset"));
    EXPECT_EQ(WidgetStates(), widgets);
    EXPECT_EQ(Values(), values);
    EXPECT_EQ(CapturePreset(app.synth()), saved);
}

// A scale and a keyboard map tune the keys and name the tuning in the menu; a saved preset carries
// it, "Twelve-Tone Equal" goes back, a refused file changes nothing.
TEST_F(PresetMenuTest, TuningFromTheMenuTunesTheKeysAndTravelsWithAPreset) {
    PresetMenu& menu = window->presets();
    const fs::path scales = fs::path(VORTANE_BUILD_DATA_DIR) / "vortane" / "scales";
    QAction* equal = MenuItem("Twelve-Tone Equal", "Presets");
    ASSERT_NE(equal, nullptr);
    EXPECT_TRUE(equal->isChecked());
    std::ofstream(folder / "a432.kbm") << "! A at 432 Hz\n0\n0\n127\n60\n69\n432\n0\n";
    ASSERT_TRUE(menu.LoadTuning(scales / "19-equal.scl", folder / "a432.kbm"));
    EXPECT_NEAR(app.synth().keys.Get(69), 432.0, 1e-3);
    EXPECT_FALSE(equal->isChecked());
    EXPECT_NE(MenuItem("Tuning: 19 equal divisions of the octave", "Presets"), nullptr);
    ASSERT_TRUE(menu.SaveFile(folder / "tuned.vpreset"));

    equal->trigger();
    EXPECT_TRUE(equal->isChecked());
    EXPECT_NEAR(app.synth().keys.Get(69), 440.0, 1e-3);
    ASSERT_TRUE(menu.LoadFile(folder / "tuned.vpreset"));
    EXPECT_NEAR(app.synth().keys.Get(69), 432.0, 1e-3) << "the preset brought its tuning back";
    EXPECT_FALSE(equal->isChecked());

    std::ofstream(folder / "bad.scl") << "two\n2\n100.0\n-3/2\n";
    EXPECT_FALSE(menu.LoadTuning(folder / "bad.scl", {}));
    EXPECT_NEAR(app.synth().keys.Get(69), 432.0, 1e-3);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_NE(messages.messages[0].second.find("bad.scl\" line 4"), std::string::npos)
        << messages.messages[0].second;
}

} // namespace
} // namespace vortane
