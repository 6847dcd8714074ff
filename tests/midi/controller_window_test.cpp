#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <filesystem>
#include <fstream>
#include <memory>

#include "control/control_ids.h"
#include "control/voice_controls.h"
#include "midi/controller_window.h"
#include "midi/midi_handler.h"
#include "midi/settings_store.h"

namespace vortane {
namespace {

namespace fs = std::filesystem;

class ControllerWindowTest : public ::testing::Test {
protected:
    void StartUp(std::string_view file) {
        path = fs::temp_directory_path() / ("vortane-window-" + std::to_string(getpid()) + ".ini");
        fs::remove(path);
        if (!file.empty()) {
            std::ofstream(path, std::ios::binary) << file;
        }
        store.Open(path);
        LoadSlots(store, assigned);
    }
    void TearDown() override { fs::remove(path); }

    fs::path path;
    SettingsStore store;
    ControllerSlots assigned;
};

// A choice reaches the handler at once; the store is written only when the window closes, and
// then with all twelve keys.
TEST_F(ControllerWindowTest, FirstRunShowsFourteenAChoiceActsAtOnceClosingWritesAllKeys) {
    StartUp("");
    auto controls = std::make_unique<VoiceControls>();
    MidiHandler handler(*controls, assigned);
    ControllerWindow window(store, assigned);
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        EXPECT_EQ(window.List(slot)->currentText(), "14") << slot;
    }
    window.show();
    window.List(7)->setCurrentIndex(window.List(7)->findText("07"));
    EXPECT_FALSE(store.Changed());
    handler.Receive(MIM_DATA, PackShortMessage(0xB0, 7, 127));
    EXPECT_EQ(controls->panel().GetState(id::kX1Negative), 1);
    EXPECT_EQ(controls->panel().GetState(id::kX2Negative), 0);
    window.close();
    EXPECT_TRUE(store.Close());
    std::string expected;
    for (int k = 1; k <= kSlotCount; ++k) {
        expected += "Item" + std::to_string(k) + (k == 7 ? " = 07\r\n" : " = 14\r\n");
    }
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), expected);
}

// A hand-written value that is none of the entries, and an empty one, survive an untouched row.
TEST_F(ControllerWindowTest, HandWrittenValuesSurviveAnUntouchedRow) {
    StartUp("Item4 = 64\r\nItem5 =\r\n");
    ControllerWindow window(store, assigned);
    EXPECT_EQ(window.List(4)->currentText(), "64");
    EXPECT_EQ(assigned.AnsweredController(4), 64);
    window.show();
    window.close();
    EXPECT_EQ(store.ReadKey("Item4", ""), "64");
    EXPECT_EQ(store.ReadKey("Item5", "14"), "");
}

} // namespace
} // namespace vortane

int main(int argc, char** argv) {
    // The window is never put on a screen; test discovery runs without a display as well.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
