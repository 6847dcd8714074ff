#pragma once

#include <span>
#include <string>

struct sf_private_tag; // libsndfile's SNDFILE

namespace vortane {

// Writes a mono 32-bit float WAV at 44100 Hz so that the file appears whole or not at all: the
// samples go to a hidden temporary file in the output's folder, which Commit() renames over the
// output. Every failure, the destructor of an uncommitted writer and an interrupt (SIGINT,
// SIGTERM) remove the temporary file. The file holds nothing but the format and the samples (no
// PEAK chunk, no time stamp), so equal samples give byte-identical files.
class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Each returns false with a one-line reason in error.
    bool Open(const std::string& path, std::string& error);
    bool Write(std::span<const float> samples, std::string& error);
    bool Commit(std::string& error);

    // Closes and removes the temporary file; nothing is left behind.
    void Discard();

private:
    std::string Reason(const std::string& what) const;

    sf_private_tag* file_ = nullptr;
    std::string path_;
    std::string temp_path_;
};

} // namespace vortane
