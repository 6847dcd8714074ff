#pragma once

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vortane {

// The permissions a newly created regular file gets: 0666 less the process's umask, for files
// that are made under a temporary name (mkstemp gives 0600) and renamed into place. The mask is
// read from /proc/self/status: asking umask() for it sets it for a moment for every thread, and a
// file another thread created in that moment would get the wrong mode. Only where /proc does not
// say (kernels before 4.7) is umask() asked after all.
inline mode_t NewFileMode() {
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

// Syncs a folder, so that a rename into it survives a power cut. Best effort: the file itself is
// already safe, and a folder that cannot be opened has nothing to sync that the caller can mend.
inline void SyncFolder(const char* folder) {
    const int fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

} // namespace vortane
