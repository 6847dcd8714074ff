#pragma once

#include <memory>
#include <span>
#include <string>

#include "base/files.h"
#include "render/output_target.h"
#include "render/temp_file_guard.h"

struct sf_private_tag; // libsndfile's SNDFILE

namespace vortane {

class WavStream;

// Writes a mono 32-bit float WAV at 44100 Hz of a length known in advance. The file holds nothing
// but the format and the samples (no PEAK chunk, no time stamp), so equal samples give
// byte-identical files, wherever they are written.
//
// A file appears whole or not at all, as AtomicFile (base/files.h) writes it: links, modes and
// owners stay, a hard-linked file is filled only when the disk has room for it, and concurrent
// renders onto one file take turns. Every failure, the destructor of an uncommitted writer and a
// terminating signal remove the temporary file. Standard output ("-"), a FIFO or a character
// device is written in place, as it goes; the header then already holds the sizes of the whole
// render.
class WavWriter {
public:
    WavWriter();
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Each returns false with a one-line reason in error. Commit fails unless exactly frame_count
    // frames were written.
    bool Open(const std::string& output, long frame_count, std::string& error);
    bool Write(std::span<const float> samples, std::string& error);
    bool Commit(std::string& error);

    // Closes the output and removes the temporary file; nothing is left behind.
    void Discard();

private:
    bool OpenTemp(std::string& error);
    bool OpenStream(std::string& error);
    bool StartWav(std::string& error);
    bool CommitFile(std::string& error);
    std::string Reason(const std::string& what) const;

    OutputTarget target_;
    std::string output_;
    long frame_count_ = 0;
    long frames_written_ = 0;
    sf_private_tag* file_ = nullptr;
    std::unique_ptr<WavStream> stream_;
    int fd_ = -1; // what file_ writes to: the temporary file's or the stream's descriptor
    AtomicFile atomic_;
    TempFileGuard guard_;
};

} // namespace vortane
