#include "base/files.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

#include "base/text.h"

namespace vortane {
namespace {

// As many links as the kernel follows before it gives up with ELOOP.
constexpr int kMaxLinks = 40;

std::string Reason(int error_number) {
    return std::strerror(error_number);
}

// The folder part of a path, with its slash ("" for a bare name).
std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The file a chain of symbolic links ends in, which need not exist yet: realpath cannot tell, as
// it fails on a missing target.
bool FollowLinks(std::string path, std::string& end, std::string& error) {
    for (int hops = 0; hops <= kMaxLinks; ++hops) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0 && errno != ENOENT) {
            error = Reason(errno);
            return false;
        }
        if (!S_ISLNK(st.st_mode)) { // a file, or nothing yet
            end = path;
            return true;
        }
        std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
        const ssize_t length = readlink(path.c_str(), link.data(), link.size());
        if (length < 0 || static_cast<size_t>(length) >= link.size()) {
            error = length < 0 ? Reason(errno) : "a symbolic link changed while it was read";
            return false;
        }
        link.resize(static_cast<size_t>(length));
        path = link.starts_with('/') ? link : FolderOf(path) + link;
    }
    error = Reason(ELOOP);
    return false;
}

// 0666 less the process's umask. The mask is read from /proc/self/status: asking umask() for it
// sets it for a moment for every thread, and a file another thread created in that moment would
// get the wrong mode. Only where /proc does not say (kernels before 4.7) is umask() asked.
mode_t NewFileMode() {
    const int fd = open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        char status[4096];
        const ssize_t n = read(fd, status, sizeof status - 1);
        close(fd);
        if (n > 0) {
            status[n] = '\0';
            if (const char* line = std::strstr(status, "\nUmask:")) {
                char* end = nullptr;
                const long mask = std::strtol(line + 7, &end, 8);
                if (end != line + 7 && mask >= 0 && mask <= 0777) {
                    return 0666 & ~static_cast<mode_t>(mask);
                }
            }
        }
    }
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// Best effort: the file itself is already safe, and a folder that cannot be opened has nothing to
// sync that the caller could mend.
void SyncFolder(const std::string& folder) {
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

// Reserves the blocks of length bytes of fd before any byte of the old content is overwritten, so
// that a full disk refuses the write rather than leaving half of each. Where the file system has
// no fallocate (some network ones) the free space is checked instead.
bool Reserve(int fd, off_t length, const struct stat& old, std::string& error) {
    int result = 0;
    do {
        result = length > 0 ? fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, length) : 0;
    } while (result != 0 && errno == EINTR);
    if (result == 0) {
        return true;
    }
    if (errno != EOPNOTSUPP && errno != ENOSYS) {
        error = Reason(errno);
        return false;
    }
    struct statvfs disk {};
    const off_t needed = length - static_cast<off_t>(old.st_blocks) * 512;
    if (fstatvfs(fd, &disk) == 0 && needed > 0 &&
        static_cast<off_t>(disk.f_bavail * disk.f_frsize) < needed) {
        error = Reason(ENOSPC);
        return false;
    }
    return true;
}

// Opens and locks the file at path as it is once the lock is held: a writer that renamed its file
// over path in the meantime unlocked a file no longer there. -1 with errno ENOENT when there is
// none.
int OpenLocked(const std::string& path, struct stat& st) {
    for (;;) {
        // O_NONBLOCK: a FIFO put there meanwhile must not hang the open.
        const int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            return -1;
        }
        struct stat now {};
        int locked = 0;
        do {
            locked = flock(fd, LOCK_EX);
        } while (locked != 0 && errno == EINTR);
        const bool usable = locked == 0 && fstat(fd, &st) == 0;
        if (!usable || !S_ISREG(st.st_mode)) {
            const int error_number = usable ? EINVAL : errno; // EINVAL: no longer a regular file
            close(fd);
            errno = error_number;
            return -1;
        }
        if (lstat(path.c_str(), &now) == 0 && now.st_dev == st.st_dev && now.st_ino == st.st_ino) {
            return fd;
        }
        close(fd);
    }
}

} // namespace

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            errno = n == 0 ? EIO : errno;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool AtomicFile::Open(const std::string& path, std::string& error) {
    Discard();
    if (!FollowLinks(path, target_, error)) {
        return false;
    }
    struct stat st {};
    if (stat(target_.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            error = S_ISDIR(st.st_mode) ? Reason(EISDIR) : "it is not a regular file";
            return false;
        }
        // Only the folder's permission is needed to replace it; asking for the file's own keeps a
        // read-only file safe, as its owner expects.
        if (access(target_.c_str(), W_OK) != 0) {
            error = Reason(errno);
            return false;
        }
    }
    // ".NAME.XXXXXX", or the name's start where that would be longer than the folder allows.
    const std::string folder = FolderOf(target_);
    const long name_max = pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    const size_t room = static_cast<size_t>(name_max > 8 ? name_max : NAME_MAX) - 8;
    std::string temp = folder;
    temp.append(".")
        .append(Utf8Prefix(std::string_view(target_).substr(folder.size()), room))
        .append(".XXXXXX");
    temp_fd_ = mkostemp(temp.data(), O_CLOEXEC);
    if (temp_fd_ < 0) {
        error = Reason(errno);
        return false;
    }
    temp_path_ = std::move(temp);
    return true;
}

bool AtomicFile::Flush(std::string& error) {
    if (temp_fd_ < 0 || fsync(temp_fd_) != 0) {
        error = temp_fd_ < 0 ? "the file is not open" : Reason(errno);
        return false;
    }
    return true;
}

bool AtomicFile::Commit(std::string& error) {
    if (!Flush(error)) {
        Discard();
        return false;
    }
    struct stat old {};
    const int target = OpenLocked(target_, old);
    bool done = false;
    if (target < 0 && errno != ENOENT) {
        error = Reason(errno);
    } else if (target >= 0 && old.st_nlink > 1) {
        done = Fill(target, error);
    } else {
        done = Replace(target >= 0 ? &old : nullptr, error); // under the lock: no filler is midway
    }
    if (target >= 0) {
        const bool closed = close(target) == 0; // unlocks; a network file system may report a full disk here
        if (done && !closed) {
            error = Reason(errno);
            done = false;
        }
    }
    Discard(); // closes the temporary file, and removes it unless it took the file's place
    return done;
}

// Copies the temporary file into target, which every hard link shares.
bool AtomicFile::Fill(int target, std::string& error) {
    struct stat temp {
    }, old{};
    if (fstat(temp_fd_, &temp) != 0 || fstat(target, &old) != 0) {
        error = Reason(errno);
        return false;
    }
    if (!Reserve(target, temp.st_size, old, error)) {
        error += "; the file was left as it was";
        return false;
    }
    std::vector<char> buffer(size_t{1} << 16);
    if (lseek(temp_fd_, 0, SEEK_SET) != 0 || lseek(target, 0, SEEK_SET) != 0) {
        error = Reason(errno);
        return false;
    }
    for (off_t copied = 0; copied < temp.st_size;) {
        const ssize_t count = read(temp_fd_, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0 || !WriteAll(target, std::string_view(buffer.data(), static_cast<size_t>(count)))) {
            error = Reason(count == 0 ? EIO : errno) + "; the file is incomplete";
            return false;
        }
        copied += count;
    }
    if (ftruncate(target, temp.st_size) != 0 || fsync(target) != 0) {
        error = Reason(errno);
        return false;
    }
    return true;
}

// Renames the temporary file over the target, which takes the old file's mode and owner (old is
// null for a new file).
bool AtomicFile::Replace(const struct stat* old, std::string& error) {
    if (old != nullptr) {
        // The owner where the user may give it (root may, others only their own groups); the
        // set-id bits only go with the owner they were meant for.
        const bool same_owner = fchown(temp_fd_, old->st_uid, old->st_gid) == 0;
        fchmod(temp_fd_, old->st_mode & (same_owner ? 07777 : 0777));
    } else {
        fchmod(temp_fd_, NewFileMode());
    }
    const bool synced = fsync(temp_fd_) == 0; // the mode and owner; the content is already on disk
    const int sync_errno = errno;
    const int closed = close(temp_fd_);
    temp_fd_ = -1;
    if (!synced || closed != 0 || std::rename(temp_path_.c_str(), target_.c_str()) != 0) {
        error = Reason(synced ? errno : sync_errno);
        return false;
    }
    temp_path_.clear();
    SyncFolder(FolderOf(target_));
    return true;
}

void AtomicFile::Discard() {
    if (temp_fd_ >= 0) {
        close(temp_fd_);
        temp_fd_ = -1;
    }
    if (!temp_path_.empty()) {
        unlink(temp_path_.c_str());
        temp_path_.clear();
    }
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error) {
    AtomicFile file;
    if (!file.Open(path, error)) {
        return false;
    }
    if (!WriteAll(file.fd(), bytes)) {
        error = Reason(errno);
        return false;
    }
    return file.Commit(error);
}

bool ReadSmallFile(const std::string& path, size_t limit, std::string_view what, std::string& bytes,
                   std::string& error) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = "cannot be read: " + Reason(errno);
        return false;
    }
    const std::string too_large =
        "is larger than " + (limit % (1 << 20) == 0 ? std::to_string(limit >> 20) + " MiB"
                                                    : std::to_string(limit >> 10) + " KiB");
    struct stat st {};
    error.clear();
    if (fstat(fd, &st) != 0) {
        error = "cannot be read: " + Reason(errno);
    } else if (S_ISDIR(st.st_mode)) {
        error = "is a folder, not " + std::string(what);
    } else if (!S_ISREG(st.st_mode)) {
        error = "is not a regular file";
    } else if (static_cast<uintmax_t>(st.st_size) > limit) {
        error = too_large;
    } else {
        bytes.reserve(static_cast<size_t>(st.st_size));
        char buffer[16384];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n == 0) {
                break;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                error = "cannot be read: " + Reason(errno);
                break;
            }
            if (bytes.size() + static_cast<size_t>(n) > limit) {
                error = too_large;
                break;
            }
            bytes.append(buffer, static_cast<size_t>(n));
        }
    }
    ::close(fd);
    if (!error.empty()) {
        bytes.clear();
        return false;
    }
    return true;
}

} // namespace vortane
