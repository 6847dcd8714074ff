// The one way a file is replaced: what stays of the old file. (A failed write: tests/midi; a full
// disk and concurrent writers: tests/render; a private mode and a link to a file: tests/presets.)
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "base/files.h"

namespace vortane {
namespace {

namespace fs = std::filesystem;

struct TempFolder {
    TempFolder() {
        char pattern[] = "/tmp/vortane-files-test-XXXXXX";
        path = mkdtemp(pattern);
    }
    ~TempFolder() { fs::remove_all(path); }
    std::string Read(const std::string& name) const {
        std::ifstream in(path / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    fs::path path;
};

// A chain of links and a link to a file not made yet stay links; every hard link sees the new text
// and the file keeps its mode; a name of the longest legal length works; a new file gets 0666 less
// the umask; no temporary file is left.
TEST(FileWrite, KeepsLinksModesAndEveryName) {
    const TempFolder folder;
    const fs::path& d = folder.path;
    std::ofstream(d / "a") << "old";
    fs::permissions(d / "a", fs::perms(0640));
    fs::create_hard_link(d / "a", d / "b");
    fs::create_symlink("a", d / "link1");
    fs::create_symlink("link1", d / "link2");
    fs::create_directory(d / "sub");
    fs::create_symlink("sub/new", d / "dangling");
    const std::string longest(255, 'n');
    const mode_t umask_before = umask(027);
    for (const std::string& name :
         {std::string("link2"), std::string("dangling"), longest, std::string("fresh")}) {
        std::string error;
        EXPECT_TRUE(WriteFileAtomically((d / name).string(), "new", error)) << name << ": " << error;
    }
    umask(umask_before);
    EXPECT_TRUE(fs::is_symlink(d / "link1") && fs::is_symlink(d / "link2") && fs::is_symlink(d / "dangling"));
    for (const std::string& name : {std::string("a"), std::string("b"), std::string("sub/new"), longest}) {
        EXPECT_EQ(folder.Read(name), "new") << name;
    }
    EXPECT_TRUE(fs::equivalent(d / "a", d / "b"));
    EXPECT_EQ(fs::status(d / "a").permissions(), fs::perms(0640));
    EXPECT_EQ(fs::status(d / "fresh").permissions(), fs::perms(0640));
    EXPECT_EQ(std::distance(fs::directory_iterator(d), {}), 8) << "a temporary file was left";
}

} // namespace
} // namespace vortane
