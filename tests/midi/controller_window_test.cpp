#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <memory>

#include "engine/control_ids.h"
#include "engine/engine.h"
#include "midi/controller_window.h"
#include "midi/midi_handler.h"
#include "midi/settings_store.h"

namespace vortane {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class ControllerWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        home = fs::temp_directory_path() / ("vortane-window-" + std::to_string(getpid()));
        fs::remove_all(home);
        fs::create_directories(home);
        setenv("HOME", home.c_str(), 1);
    }
    void TearDown() override { fs::remove_all(home); }

    void StartUp(std::string_view file) {
        if (!file.empty()) {
            std::ofstream(SettingsPath(), std::ios::binary) << file;
        }
        store.Open(SettingsPath());
        LoadSlots(store, assigned);
    }

    fs::path home;
    SettingsStore store;
    ControllerSlots assigned;
};

TEST_F(ControllerWindowTest, FirstRunShowsFourteenEverywhereAndClosingWritesAllKeys) {
    StartUp("");
    ControllerWindow window(store, assigned);
    EXPECT_EQ(window.windowTitle(), "Vortane CC Midi Controllers");
    EXPECT_EQ(window.size(), QSize(340, 400));
    EXPECT_EQ(window.windowModality(), Qt::ApplicationModal);
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        QComboBox* list = window.List(slot);
        EXPECT_EQ(list->count(), 16);
        EXPECT_EQ(list->currentText(), "14") << slot;
        EXPECT_EQ(list->geometry(), QRect(280, 30 * slot, 40, 20));
    }
    const auto labels = window.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), kSlotCount);
    EXPECT_EQ(labels.front()->text(), "Frequency Setting");

    window.show();
    window.close();
    EXPECT_TRUE(store.Changed());
    EXPECT_TRUE(store.Close());
    std::string expected;
    for (int k = 1; k <= kSlotCount; ++k) {
        expected += "Item" + std::to_string(k) + " = 14\r\n";
    }
    EXPECT_EQ(ReadFile(SettingsPath()), expected);
}

TEST_F(ControllerWindowTest, ChoiceActsOnTheNextMessageAtOnce) {
    StartUp("");
    auto engine = std::make_unique<Engine>();
    MidiHandler handler(*engine, assigned);
    ControllerWindow window(store, assigned);
    window.show();
    window.List(7)->setCurrentIndex(window.List(7)->findText("07"));
    EXPECT_FALSE(store.Changed());
    handler.Receive(MIM_DATA, PackShortMessage(0xB0, 7, 127));
    EXPECT_EQ(engine->panel.GetState(id::kX1Negative), 1);
    EXPECT_EQ(engine->panel.GetState(id::kX2Negative), 0);
    window.close();
    EXPECT_EQ(store.ReadKey("Item7", ""), "07");
}

TEST_F(ControllerWindowTest, HandWrittenValuesSurviveAnUntouchedRow) {
    StartUp("Item4 = 64\r\nItem5 =\r\nItem6 = 21\r\n");
    ControllerWindow window(store, assigned);
    EXPECT_EQ(window.List(4)->currentText(), "64");
    EXPECT_EQ(window.List(5)->currentIndex(), -1);
    EXPECT_EQ(window.List(6)->currentText(), "21");
    EXPECT_EQ(assigned.AnsweredController(4), 64);
    window.show();
    window.close();
    EXPECT_EQ(store.ReadKey("Item4", ""), "64");
    EXPECT_EQ(store.ReadKey("Item5", "14"), "");
    EXPECT_EQ(store.ReadKey("Item6", ""), "21");
}

TEST_F(ControllerWindowTest, ShowReturnsOnceTheWindowIsClosed) {
    StartUp("");
    QWidget* seen = nullptr;
    QTimer::singleShot(0, [&] {
        seen = QApplication::activeModalWidget();
        if (seen != nullptr) {
            seen->close();
        }
    });
    ShowControllerWindow(store, assigned);
    EXPECT_NE(seen, nullptr);
    EXPECT_TRUE(store.Changed());
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
