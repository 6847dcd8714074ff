#include "render/output_target.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vortane {

bool ResolveOutput(const std::string& output, OutputTarget& target, std::string& error) {
    target = OutputTarget{};
    target.path = output;
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
        return true; // a new file, perhaps at the end of a dangling link
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
    }
    return true;
}

} // namespace vortane
