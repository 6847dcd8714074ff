#pragma once

#include <string>
#include <string_view>
#include <sys/stat.h>

namespace vortane {

// Writes all of bytes to fd, resuming after interruptions and partial writes. False, with errno
// set, at the first failure.
bool WriteAll(int fd, std::string_view bytes);

// A file replaced so that it is never lost: every name of it shows the old content whole until the
// new content is complete and on disk, then the new content whole. One policy for every file the
// program writes (the settings, presets, rendered WAVs):
//
// - A symbolic link is followed, through a chain and to a file that does not exist yet; the link
//   stays and the file at its end gets the content.
// - The content goes to a hidden temporary file beside that file (".NAME.XXXXXX", shortened where
//   the name would be too long for the folder), is synced, and is renamed over it; then the
//   folder is synced, so that the rename survives a power cut.
// - A replaced file's mode and, where the user may give it, its owner and group go to the new file;
//   the set-id bits only with the same owner. A new file gets 0666 less the umask.
// - A file with other hard links is filled in place, so that every name shows the new content:
//   the new length is reserved first (a disk too full for it refuses, the old content intact),
//   then written, cut to length and synced.
// - Either way the old file is locked (flock) while it is filled or replaced, so that concurrent
//   writers take turns: the last one's content wins whole.
// - A file the user may not write is refused, as is anything but a regular file.
//
// Every failure, Discard and the destructor remove the temporary file.
class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile() { Discard(); }
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Resolves path and creates the temporary file. Each call returns false with a one-line
    // reason (as strerror gives it) when it fails.
    bool Open(const std::string& path, std::string& error);
    // Puts what was written to fd() on disk under the temporary name. Commit does it too; a caller
    // that holds signals back around Commit calls it first, so that the held moment stays short.
    bool Flush(std::string& error);
    // Puts the new content in place; afterwards, or on failure, no temporary file is left.
    bool Commit(std::string& error);
    // Closes and removes the temporary file; the old file stays as it was.
    void Discard();

    // Where the new content is written until Commit.
    int fd() const { return temp_fd_; }
    // The temporary file, for a signal handler that must remove it should the process be killed.
    const std::string& temp_path() const { return temp_path_; }

private:
    bool Fill(int target, std::string& error);
    bool Replace(const struct stat* old, std::string& error);

    std::string target_; // the file at the end of any symbolic links
    std::string temp_path_;
    int temp_fd_ = -1;
};

// Open, WriteAll and Commit at once.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error);

// Reads a small file whole: a regular file of at most `limit` bytes, however it changes while it
// is read (it is read to its end, never past the limit). Opened without blocking, so that a FIFO
// at the path cannot hang the open. Otherwise false and one reason: "cannot be read: <why>", "is a
// folder, not <what>", "is not a regular file", "is larger than 64 KiB" (or MiB).
bool ReadSmallFile(const std::string& path, size_t limit, std::string_view what, std::string& bytes,
                   std::string& error);

} // namespace vortane
