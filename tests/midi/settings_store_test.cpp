#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
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
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
    fs::path path;
};

// Start-up, one close of the controller window, program end; through a symbolic link, which stays.
TEST_F(SettingsTest, ReadsAndRewritesByteForByte) {
    struct Case {
        std::string file;
        std::string slot1;
        std::string rewritten;
    };
    const Case kCases[] = {
        {"item3=20", "14", "Item3 = 20\r\n" + Items(1, 2) + Items(4, 12)},
        {";note\n[other]\nItem1 = 20\n", "14", "; note\r\n" + Items(1, 12) + "[other]\r\nItem1 = 20\r\n"},
        {"Item1 =\r\n", "", "Item1 = \r\n" + Items(2, 12)},
        {"Item1 =    07   \r\n", "07", "Item1 = 07\r\n" + Items(2, 12)},
        {"\xEF\xBB\xBFItem2 = 21\r\n", "14", "\xEF\xBB\xBF\r\nItem2 = 21\r\nItem1 = 14\r\n" + Items(3, 12)},
    };
    fs::create_symlink("real.ini", path);
    for (const Case& c : kCases) {
        WriteFile(path, c.file);
        SettingsStore store;
        ASSERT_TRUE(store.Open(path));
        ControllerSlots slots;
        LoadSlots(store, slots);
        for (int slot = 1; slot <= kSlotCount; ++slot) {
            store.WriteKey(SlotKey(slot), slots.Assignment(slot));
        }
        EXPECT_TRUE(store.Close());
        EXPECT_EQ(ReadFile(path), c.rewritten) << c.file;
        EXPECT_EQ(slots.Assignment(1), c.slot1) << c.file;
        EXPECT_TRUE(fs::is_symlink(path));
    }
}

// A missing file is created empty, with 0666 less the umask like any new file; a read-only file is
// read but not written; one that exists but cannot be read (here a folder) survives.
TEST_F(SettingsTest, CreatesAMissingFileButNeverOverwritesOneItMayNotWrite) {
    SettingsStore store;
    const mode_t saved = umask(027);
    ASSERT_TRUE(store.Open(path));
    umask(saved);
    EXPECT_EQ(fs::file_size(path), 0u);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0640));
    WriteFile(path, "Item1 = 20\r\n");
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
    ASSERT_TRUE(store.Open(path));
    EXPECT_EQ(store.ReadKey("item1", "14"), "20");
    store.WriteKey("Item1", "07");
    EXPECT_FALSE(store.Close());
    EXPECT_EQ(ReadFile(path), "Item1 = 20\r\n");
    fs::remove(path);
    fs::create_directory(path);
    EXPECT_FALSE(store.Open(path));
    store.WriteKey("Item1", "07");
    EXPECT_FALSE(store.Close());
    EXPECT_TRUE(fs::is_directory(path));
}

// Runs the store's whole life in a child: read at start-up, one write, the end of the program. The
// child's time and memory are bounded, so a read that blocks or never ends fails instead of hanging;
// a file size limit, if given, stands in for a full disk (writes past it fail with EFBIG).
// Exit code 0: the file was refused and nothing was written; 1: it was read; 2: it was rewritten.
int OpenWriteCloseInChild(const fs::path& path, const std::string& value = "07", rlim_t file_size_limit = 0) {
    const pid_t child = fork();
    if (child == 0) {
        alarm(5);
        const rlimit memory{size_t{512} << 20, size_t{512} << 20};
        setrlimit(RLIMIT_AS, &memory);
        if (file_size_limit != 0) {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{file_size_limit, file_size_limit};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        SettingsStore store;
        const bool read = store.Open(path);
        store.WriteKey("Item1", value);
        const bool written = store.Close();
        _exit(written ? 2 : read ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Only a regular file of at most 1 MiB is read; a FIFO (which would block the opening), a device
// behind a symbolic link (endless bytes) and a larger file are refused at once and left as they are.
TEST_F(SettingsTest, RefusesAnythingButASmallRegularFileAndLeavesItAlone) {
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(OpenWriteCloseInChild(path), 0) << "FIFO";
    EXPECT_TRUE(fs::is_fifo(path));
    fs::remove(path);

    for (const char* device : {"/dev/zero", "/dev/urandom"}) {
        fs::create_symlink(device, path);
        EXPECT_EQ(OpenWriteCloseInChild(path), 0) << device;
        EXPECT_EQ(fs::read_symlink(path), device);
        fs::remove(path);
    }

    constexpr size_t kCap = size_t{1} << 20;
    std::string text = "Item1 = 20\r\n;";
    text.resize(kCap, 'x');
    WriteFile(path, text);
    EXPECT_EQ(OpenWriteCloseInChild(path), 2) << "exactly 1 MiB";
    text = "Item1 = 20\r\n;";
    text.resize(kCap + 1, 'x');
    WriteFile(path, text);
    EXPECT_EQ(OpenWriteCloseInChild(path), 0) << "1 MiB and one byte";
    EXPECT_TRUE(ReadFile(path) == text) << "the larger file was rewritten";
}

TEST_F(SettingsTest, FullDiskKeepsTheOldFileAndReportsFailure) {
    WriteFile(path, "Item1 = 20\r\n");
    EXPECT_EQ(OpenWriteCloseInChild(path, std::string(200, '7'), 64), 1) << "the save reported success";
    EXPECT_EQ(ReadFile(path), "Item1 = 20\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1) << "temporary file left";
}

} // namespace
} // namespace vortane
