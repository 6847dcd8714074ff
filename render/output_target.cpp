#include "render/output_target.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace vortane {
namespace {

// As many links as the kernel follows before it gives up with ELOOP.
constexpr int kMaxLinks = 40;

// The name a chain of symbolic links ends in when its last target does not exist yet; realpath
// cannot tell, since it fails on a missing target.
bool FollowDanglingLinks(std::string path, std::string& end, std::string& error) {
    namespace fs = std::filesystem;
    for (int hops = 0; hops <= kMaxLinks; ++hops) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0) {
            if (errno != ENOENT) {
                error = std::strerror(errno);
                return false;
            }
            end = path;
            return true;
        }
        if (!S_ISLNK(st.st_mode)) { // it appeared meanwhile: take it as the output
            end = path;
            return true;
        }
        std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1, '\0');
        const ssize_t length = readlink(path.c_str(), link.data(), link.size());
        if (length < 0 || static_cast<size_t>(length) >= link.size()) {
            error = length < 0 ? std::strerror(errno) : "a symbolic link changed while it was read";
            return false;
        }
        link.resize(static_cast<size_t>(length));
        path = fs::path(link).is_absolute() ? link : (fs::path(path).parent_path() / link).string();
    }
    error = std::strerror(ELOOP);
    return false;
}

} // namespace

bool ResolveOutput(const std::string& output, OutputTarget& target, std::string& error) {
    target = OutputTarget{};
    if (output == kStandardOutputName) {
        target.kind = OutputKind::StandardOutput;
        if (fcntl(STDOUT_FILENO, F_GETFD) < 0) {
            error = "it is closed";
            return false;
        }
        if (isatty(STDOUT_FILENO) == 1) {
            error = "it is a terminal; redirect it to a file or a pipe";
            return false;
        }
        return true;
    }
    struct stat st {};
    if (stat(output.c_str(), &st) != 0) { // follows every link
        if (errno != ENOENT) {
            error = std::strerror(errno);
            return false;
        }
        target.kind = OutputKind::NewFile;
        return FollowDanglingLinks(output, target.path, error);
    }
    if (S_ISDIR(st.st_mode)) {
        error = "it is a directory";
        return false;
    }
    if (S_ISBLK(st.st_mode)) {
        error = "it is a block device, which vortane-render never writes to";
        return false;
    }
    if (S_ISSOCK(st.st_mode)) {
        error = "it is a socket";
        return false;
    }
    if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)) {
        target.kind = OutputKind::Stream; // the kernel follows the links when it is opened
        target.path = output;
        return true;
    }
    char* real = realpath(output.c_str(), nullptr);
    if (real == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    target.path = real;
    std::free(real);
    // The file is replaced, not written, so the folder's permission would be enough; asking for
    // the file's own keeps a read-only file safe, as the user expects of it.
    if (access(target.path.c_str(), W_OK) != 0) {
        error = std::strerror(errno);
        return false;
    }
    target.kind = st.st_nlink > 1 ? OutputKind::LinkedFile : OutputKind::ReplaceFile;
    target.existing = st;
    return true;
}

} // namespace vortane
