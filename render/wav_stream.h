#pragma once

#include <cstdint>
#include <sndfile.h>
#include <string>
#include <vector>

namespace vortane {

// Carries libsndfile's WAV output to a descriptor that cannot seek: a pipe, a FIFO, a device.
//
// libsndfile refuses to write a WAV to a pipe ("this file format does not support pipe write"),
// because it writes the header first with the sizes still 0 and seeks back to fix them on close.
// The render knows its length in advance, so the stream offers libsndfile a seekable file instead:
// it keeps the header in memory until Start, fills in the sizes for the promised frame count
// (RIFF size, the fact chunk's frame count, the data chunk's size), sends it, and then passes the
// samples straight through. The header rewrites libsndfile makes later are compared, not sent:
// after close, Finish checks that the header libsndfile wrote last is the one the reader got.
// The bytes are then exactly those of the same render written to a regular file.
class WavStream {
public:
    explicit WavStream(int fd) : fd_(fd) {}

    // The callbacks for sf_open_virtual, with this as their user data.
    static SF_VIRTUAL_IO* Io();

    // Completes the header held since sf_open_virtual for frame_count frames of frame_bytes
    // each, and sends it.
    bool Start(uint64_t frame_count, int frame_bytes, std::string& error);
    // After sf_close.
    bool Finish(std::string& error) const;

    // The reason of the last failed write of the descriptor, empty if none failed.
    const std::string& write_error() const { return write_error_; }

private:
    static sf_count_t Length(void* self);
    static sf_count_t Seek(sf_count_t offset, int whence, void* self);
    static sf_count_t Read(void* data, sf_count_t count, void* self);
    static sf_count_t Write(const void* data, sf_count_t count, void* self);
    static sf_count_t Tell(void* self);

    bool Send(const unsigned char* data, size_t count);

    int fd_;
    // where libsndfile believes it is
    sf_count_t position_ = 0;
    sf_count_t length_ = 0;
    // the header: held until Start, then what the reader got
    std::vector<unsigned char> header_;
    std::vector<unsigned char> rewritten_header_;
    bool started_ = false;
    std::string write_error_;
};

} // namespace vortane
