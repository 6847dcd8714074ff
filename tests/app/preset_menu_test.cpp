// The "Presets" menu of the main window. What a preset sets in the synth, what saving keeps and why
// a file is refused are the presets' own tests (tests/presets); here the window's part.
#include <QCheckBox>
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

    QAction* Item(const QString& text) const { return testing::MenuItem(*window, text, "Presets"); }

    const QTemporaryDir scratch;
    const fs::path folder = scratch.path().toStdString();
};

// A factory preset from the menu moves every kind of widget and redraws the curve, but leaves Play
// alone. A refused file or folder changes nothing and says why; a folder is not written over.
TEST_F(PresetMenuTest, FactoryPresetMovesTheWidgetsAndARefusedOneChangesNothing) {
    QTest::mouseClick(Control<QPushButton>(id::kPlay), Qt::LeftButton);
    QTest::mouseClick(Control<QCheckBox>(ParamId::X2On), Qt::LeftButton);
    int redraws = window->display().redraw_count();
    ASSERT_NE(Item("Falling Sirens"), nullptr);
    Item("Falling Sirens")->trigger();
    EXPECT_EQ(Control<QSlider>(ParamId::SecondaryBarrier)->value(), 480);
    EXPECT_TRUE(Control<QRadioButton>(ParamId::WalkMode, 2)->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(ParamId::X2On)->isChecked()) << "the preset sets every parameter";
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
    const fs::path scales = fs::path(VORTANE_BUILD_DATA_DIR) / "vortane" / "scales";
    ASSERT_TRUE(menu.LoadTuning(scales / "19-equal.scl", folder / "a432.kbm"));
    EXPECT_NEAR(app.synth().keys.Get(69), 432.0, 1e-3);
    EXPECT_FALSE(equal->isChecked());
    EXPECT_NE(Item("Tuning: 19 equal divisions of the octave"), nullptr);
    ASSERT_TRUE(menu.SaveFile(folder / "tuned.vpreset"));

    equal->trigger();
    EXPECT_TRUE(equal->isChecked());
    EXPECT_NEAR(app.synth().keys.Get(69), 440.0, 1e-3);
    ASSERT_TRUE(menu.LoadFile(folder / "tuned.vpreset"));
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
