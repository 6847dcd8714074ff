#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "midi/controller_slots.h"
#include "midi/settings_store.h"

namespace vortane {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFile(const fs::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// What closing the controller window does to the store.
void WriteAllSlots(SettingsStore& store, const ControllerSlots& slots) {
    for (int slot = 1; slot <= kSlotCount; ++slot) {
        store.WriteKey(SlotKey(slot), slots.Assignment(slot));
    }
}

std::string Items(int first, int last) {
    std::string out;
    for (int k = first; k <= last; ++k) {
        out += "Item" + std::to_string(k) + " = 14\r\n";
    }
    return out;
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vortane-settings-" + std::to_string(getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = dir / "preferences.ini";
    }
    void TearDown() override {
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }
    // Start-up, one close of the controller window, program end.
    std::string RunOnce(std::string_view file, ControllerSlots& slots) {
        WriteFile(path, file);
        SettingsStore store;
        EXPECT_TRUE(store.Open(path));
        LoadSlots(store, slots);
        WriteAllSlots(store, slots);
        EXPECT_TRUE(store.Close());
        return ReadFile(path);
    }

    fs::path dir;
    fs::path path;
};

struct RewriteCase {
    const char* name;
    std::string file;
    std::string slot1;
    std::string rewritten;
};

class SettingsRewrite : public SettingsTest, public ::testing::WithParamInterface<RewriteCase> {};

TEST_P(SettingsRewrite, ReadsAndRewritesByteForByte) {
    ControllerSlots slots;
    EXPECT_EQ(RunOnce(GetParam().file, slots), GetParam().rewritten);
    EXPECT_EQ(slots.Assignment(1), GetParam().slot1);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsRewrite,
    ::testing::Values(
        RewriteCase{"Empty", "", "14", Items(1, 12)},
        RewriteCase{"LowerCaseKeyInPlace", "item3=20", "14", "Item3 = 20\r\n" + Items(1, 2) + Items(4, 12)},
        RewriteCase{"CommentThenGroup", ";note\n[other]\nItem1 = 20\n", "14",
                    "; note\r\n" + Items(1, 12) + "[other]\r\nItem1 = 20\r\n"},
        RewriteCase{"GroupFirst", "[g]\r\nItem1 = 20\r\n", "14", Items(1, 12) + "[g]\r\nItem1 = 20\r\n"},
        RewriteCase{"PaddedValue", "Item1 =    07   \r\n", "07", "Item1 = 07\r\n" + Items(2, 12)},
        RewriteCase{"EmptyValue", "Item1 =\r\n", "", "Item1 = \r\n" + Items(2, 12)},
        RewriteCase{"ByteOrderMark", "\xEF\xBB\xBFItem2 = 21\r\n", "14",
                    "\xEF\xBB\xBF\r\nItem2 = 21\r\nItem1 = 14\r\n" + Items(3, 12)},
        RewriteCase{"MixedLineEndsAndBlanks", "\r\n  Item1=10\r\rfoo = bar\n\n\t;  c\r", "10",
                    "Item1 = 10\r\nfoo = bar\r\n;  c\r\n" + Items(2, 12)},
        RewriteCase{"FirstOccurrenceWins", "ITEM1 = 20\r\nitem1 = 21\r\n", "20",
                    "Item1 = 20\r\nitem1 = 21\r\n" + Items(2, 12)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsTest, SecondRunReadsWhatTheFirstWrote) {
    ControllerSlots slots;
    const std::string first = RunOnce("\xEF\xBB\xBF;c\r\nItem1 = 20\r\n[g]\r\nx=1", slots);
    ControllerSlots again;
    EXPECT_EQ(RunOnce(first, again), first);
    EXPECT_EQ(again.Assignment(1), "20");
}

TEST_F(SettingsTest, MissingFileIsCreatedEmptyAndUnchangedStoreLeavesItAlone) {
    SettingsStore store;
    ASSERT_TRUE(store.Open(path));
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(fs::file_size(path), 0u);
    EXPECT_EQ(store.ReadKey("Item1", "14"), "14");
    WriteFile(path, "Item1=20");
    EXPECT_TRUE(store.Close());
    EXPECT_EQ(ReadFile(path), "Item1=20");
}

TEST_F(SettingsTest, UnreadableFileIsNeverReplaced) {
    // A folder in place of the file: it exists, cannot be read as a file, and must survive.
    fs::create_directory(path);
    SettingsStore store;
    EXPECT_FALSE(store.Open(path));
    store.WriteKey("Item1", "07");
    EXPECT_FALSE(store.Close());
    EXPECT_TRUE(fs::is_directory(path));
}

TEST_F(SettingsTest, ReadOnlyFileIsReadButNotWritten) {
    WriteFile(path, "Item1 = 20\r\n");
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
    SettingsStore store;
    ASSERT_TRUE(store.Open(path));
    EXPECT_EQ(store.ReadKey("item1", "14"), "20");
    store.WriteKey("Item1", "07");
    EXPECT_FALSE(store.Close());
    EXPECT_EQ(ReadFile(path), "Item1 = 20\r\n");
}

TEST_F(SettingsTest, MissingFolderKeepsDefaultsSilently) {
    SettingsStore store;
    EXPECT_FALSE(store.Open(dir / "no-such-folder" / "preferences.ini"));
    EXPECT_EQ(store.ReadKey("Item5", "14"), "14");
    store.WriteKey("Item5", "07");
    EXPECT_FALSE(store.Close());
    EXPECT_FALSE(fs::exists(dir / "no-such-folder"));
}

TEST_F(SettingsTest, SymbolicLinkStaysALink) {
    WriteFile(dir / "real.ini", "Item1 = 20\r\n");
    fs::create_symlink("real.ini", path);
    SettingsStore store;
    ASSERT_TRUE(store.Open(path));
    store.WriteKey("Item1", "07");
    EXPECT_TRUE(store.Close());
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(ReadFile(dir / "real.ini"), "Item1 = 07\r\n");
}

TEST_F(SettingsTest, FullDiskKeepsTheOldFile) {
    const std::string old_text = "Item1 = 20\r\n";
    WriteFile(path, old_text);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The file size limit stands in for a full disk: writes past it fail with EFBIG.
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64};
        setrlimit(RLIMIT_FSIZE, &limit);
        SettingsStore store;
        store.Open(path);
        store.WriteKey("Item1", std::string(200, '7'));
        _exit(store.Close() ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save reported success";
    EXPECT_EQ(ReadFile(path), old_text);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 1)
        << "temporary file left";
}

TEST_F(SettingsTest, KilledSaveLeavesTheOldOrTheNewFileWhole) {
    std::string texts[2];
    for (int i = 0; i < 2; ++i) {
        for (int k = 0; k < 20000; ++k) {
            texts[i] += "Key" + std::to_string(k) + " = " + std::to_string(i) + "\r\n";
        }
    }
    WriteFile(path, texts[0]);
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 1;; i ^= 1) {
                ReplaceFileAtomically(path, texts[i]);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500 + random() % 20000));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const std::string now = ReadFile(path);
        ASSERT_TRUE(now == texts[0] || now == texts[1])
            << "round " << round << ", " << now.size() << " bytes";
    }
}

TEST(SettingsPathTest, HomeFolderOrBareName) {
    const char* home = std::getenv("HOME");
    const std::string saved = home != nullptr ? home : "";
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(SettingsPath(), "/home/someone/preferences.ini");
    setenv("HOME", "", 1);
    EXPECT_EQ(SettingsPath(), "preferences.ini");
    unsetenv("HOME");
    EXPECT_EQ(SettingsPath(), "preferences.ini");
    if (home != nullptr) {
        setenv("HOME", saved.c_str(), 1);
    }
}

} // namespace
} // namespace vortane
