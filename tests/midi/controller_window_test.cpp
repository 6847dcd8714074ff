#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <array>
#include <filesystem>
#include <fstream>
#include <memory>

#include "control/param_store.h"
#include "control/transport.h"
#include "midi/controller_window.h"
#include "midi/midi_handler.h"
#include "midi/settings_store.h"
#include "midi/windows_1252.h"

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
    ParamStore params;
    Transport transport;
    MidiQueue keyboard;
    MidiHandler handler(params, transport, keyboard, assigned);
    ControllerWindow window(store, assigned);
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        EXPECT_EQ(window.List(slot)->currentText(), "14") << slot;
    }
    window.show();
    window.List(7)->setCurrentIndex(window.List(7)->findText("07"));
    EXPECT_FALSE(store.Changed());
    handler.Receive(std::array<uint8_t, 3>{0xB0, 7, 127});
    EXPECT_EQ(params.Get(ParamId::X1Negative), 1.0f);
    EXPECT_EQ(params.Get(ParamId::X2Negative), 0.0f);
    window.close();
    EXPECT_TRUE(store.Close());
    std::string expected;
    for (int k = 1; k <= kSlotCount; ++k) {
        expected += "Item" + std::to_string(k) + (k == 7 ? " = 07\r\n" : " = 14\r\n");
    }
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), expected);
}

// Rows left alone write back the bytes they read: a hand-written value that is none of the entries,
// an empty one, and texts shown in the file's code page (Windows-1252 without a byte-order mark,
// UTF-8 with one).
TEST_F(ControllerWindowTest, UntouchedRowsShowTheFilesTextsAndWriteThemBackByteForByte) {
    StartUp("Item4 = 64\r\nItem5 =\r\nItem6 = 0\xE9\r\nItem7 = \x80\x81\x8A\x9F\xA0\xFF\r\n");
    ControllerWindow window(store, assigned);
    EXPECT_EQ(window.List(4)->currentText(), "64");
    EXPECT_EQ(assigned.AnsweredController(4), 64);
    EXPECT_EQ(window.List(6)->currentText(), QString::fromUtf16(u"0\u00E9"));
    EXPECT_EQ(window.List(7)->currentText(), QString::fromUtf16(u"\u20AC\u0081\u0160\u0178\u00A0\u00FF"));
    window.show();
    window.close();
    EXPECT_EQ(store.ReadKey("Item4", ""), "64");
    EXPECT_EQ(store.ReadKey("Item5", "14"), "");
    EXPECT_EQ(store.ReadKey("Item6", ""), "0\xE9");
    EXPECT_EQ(store.ReadKey("Item7", ""), "\x80\x81\x8A\x9F\xA0\xFF");

    SettingsStore utf8_store;
    std::ofstream(path, std::ios::binary) << "\xEF\xBB\xBFItem4 = 0\xC3\xA9\r\n";
    utf8_store.Open(path);
    ControllerWindow utf8_window(utf8_store, assigned);
    EXPECT_EQ(utf8_window.List(4)->currentText(), QString::fromUtf16(u"0\u00E9"));
    utf8_window.show();
    utf8_window.close();
    EXPECT_EQ(utf8_store.ReadKey("Item4", ""), "0\xC3\xA9");
}

TEST(Windows1252, EveryByteIsOneCharacterLatin1OutsideTheTypographicMarks) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    const std::u16string text = DecodeWindows1252(all);
    ASSERT_EQ(text.size(), 256u);
    for (int b = 0; b < 256; ++b) {
        const bool unassigned = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        if (b < 0x80 || b > 0x9F || unassigned) {
            EXPECT_EQ(text[size_t(b)], char16_t(b)) << b;
        } else {
            EXPECT_GT(text[size_t(b)], u'\u00FF') << b; // a mark or letter beyond Latin-1
        }
    }
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
