#include "midi/settings_store.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/files.h"

namespace vortane {
namespace {

constexpr std::string_view kFileName = "preferences.ini";

// Twelve short lines are all the program writes; a file far beyond that is not ours to parse.
constexpr size_t kMaxFileBytes = size_t{1} << 20;

// Reads to the end, but no more than limit bytes: false when there is more, so that a file that
// keeps growing (or a /proc-like file whose size says 0) cannot fill the memory.
bool ReadAll(int fd, std::string& out, size_t limit) {
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0) {
            return true;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (out.size() + static_cast<size_t>(n) > limit) {
            return false;
        }
        out.append(buffer, static_cast<size_t>(n));
    }
}

// Only a regular file of sane size is read. Anything else at the path (a FIFO, a device such as
// /dev/zero behind a symbolic link, a folder) counts as unreadable.
bool IsReadableSettingsFile(int fd) {
    struct stat st {};
    return fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 &&
           static_cast<size_t>(st.st_size) <= kMaxFileBytes;
}

// A file without any write permission is read-only to us even where root could write it.
bool IsWritable(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        return false;
    }
    return (st.st_mode & 0222) != 0 && access(path.c_str(), W_OK) == 0;
}

} // namespace

std::string SettingsPath() {
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
        return std::string(kFileName);
    }
    std::string path = home;
    if (path.back() != '/') {
        path += '/';
    }
    return path + std::string(kFileName);
}

bool SettingsStore::Open(std::string path) {
    path_ = std::move(path);
    document_ = {};
    changed_ = false;
    writable_ = false;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer, forever.
    const int fd = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // Only a missing file is created; one that exists but cannot be read keeps its contents.
        if (errno != ENOENT) {
            return false;
        }
        const int created = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (created < 0) {
            return false;
        }
        close(created);
        writable_ = true;
        return true;
    }
    std::string bytes;
    const bool read_ok = IsReadableSettingsFile(fd) && ReadAll(fd, bytes, kMaxFileBytes);
    close(fd);
    if (!read_ok) {
        return false;
    }
    document_.Parse(bytes);
    writable_ = IsWritable(path_);
    return true;
}

std::string SettingsStore::ReadKey(std::string_view key, std::string_view fallback) const {
    const std::string* value = document_.Find(key);
    return value != nullptr ? *value : std::string(fallback);
}

void SettingsStore::WriteKey(std::string_view key, std::string_view value) {
    document_.Set(key, value);
    changed_ = true;
}

bool SettingsStore::Close() {
    if (!changed_) {
        return true;
    }
    return writable_ && Save();
}

bool SettingsStore::Save() const {
    std::string error; // never shown: the settings file reports nothing
    return WriteFileAtomically(path_, document_.Serialize(), error);
}

} // namespace vortane
