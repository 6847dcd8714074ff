#pragma once

#include <string>
#include <string_view>

namespace vortane {

// The output name that stands for standard output.
inline constexpr std::string_view kStandardOutputName = "-";

// How the WAV reaches the output the user named.
enum class OutputKind {
    StandardOutput, // "-": streamed to descriptor 1, which must not be a terminal
    Stream,         // an existing FIFO or character device (/dev/null): opened and written in place
    File,           // anything else: made or replaced whole, as AtomicFile does (base/files.h)
};

struct OutputTarget {
    OutputKind kind = OutputKind::File;
    std::string path; // the name the user gave
};

// Decides how output is written. False with a one-line reason when it must not be: a directory,
// a block device, a socket, a terminal.
bool ResolveOutput(const std::string& output, OutputTarget& target, std::string& error);

} // namespace vortane
