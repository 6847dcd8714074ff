#pragma once

#include <string>
#include <string_view>
#include <sys/stat.h>

namespace vortane {

// The output name that stands for standard output.
inline constexpr std::string_view kStandardOutputName = "-";

// How the WAV reaches the output the user named.
enum class OutputKind {
    StandardOutput, // "-": streamed to descriptor 1, which must not be a terminal
    Stream,         // an existing FIFO or character device (/dev/null): opened and written in place
    NewFile,        // nothing there yet: a temporary file renamed onto path when complete
    ReplaceFile,    // a regular file: the same, and the new file takes its mode and owner
    LinkedFile,     // a regular file with other hard links: rendered to a temporary file, then copied
                    // into it, so that every name sees the new samples
};

struct OutputTarget {
    OutputKind kind = OutputKind::NewFile;
    // The name to open: for the file kinds, the file at the end of any symbolic links, so that
    // the links stay and their target gets the samples.
    std::string path;
    struct stat existing {}; // the file being replaced (ReplaceFile, LinkedFile)
};

// Decides where and how output is written. False with a one-line reason when it must not be:
// a directory, a block device, a socket, a terminal, a file the user may not write.
bool ResolveOutput(const std::string& output, OutputTarget& target, std::string& error);

} // namespace vortane
