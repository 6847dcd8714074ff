#include "render/wav_stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "base/files.h"

namespace vortane {
namespace {

uint32_t ReadLe32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void WriteLe32(unsigned char* p, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

// Writes into a byte buffer at an offset, growing it as a file would grow.
void Store(std::vector<unsigned char>& buffer, sf_count_t offset, const void* data, sf_count_t count) {
    const auto end = static_cast<size_t>(offset + count);
    if (buffer.size() < end) {
        buffer.resize(end);
    }
    std::memcpy(buffer.data() + offset, data, static_cast<size_t>(count));
}

} // namespace

SF_VIRTUAL_IO* WavStream::Io() {
    static SF_VIRTUAL_IO io{&Length, &Seek, &Read, &Write, &Tell}; // constant: shared by every stream
    return &io;
}

sf_count_t WavStream::Length(void* self) {
    return static_cast<WavStream*>(self)->length_;
}

sf_count_t WavStream::Tell(void* self) {
    return static_cast<WavStream*>(self)->position_;
}

sf_count_t WavStream::Seek(sf_count_t offset, int whence, void* self) {
    auto& stream = *static_cast<WavStream*>(self);
    const sf_count_t base = whence == SEEK_CUR ? stream.position_ : whence == SEEK_END ? stream.length_ : 0;
    if (base + offset < 0) {
        return -1;
    }
    stream.position_ = base + offset;
    return stream.position_;
}

sf_count_t WavStream::Read(void*, sf_count_t, void*) {
    return 0; // a WAV being written is never read back
}

sf_count_t WavStream::Write(const void* data, sf_count_t count, void* self) {
    auto& stream = *static_cast<WavStream*>(self);
    const auto sent = static_cast<sf_count_t>(stream.header_.size());
    if (!stream.started_) {
        Store(stream.header_, stream.position_, data, count);
    } else if (stream.position_ + count <= sent) {
        Store(stream.rewritten_header_, stream.position_, data, count);
    } else if (stream.position_ == std::max(sent, stream.length_)) {
        if (!stream.Send(static_cast<const unsigned char*>(data), static_cast<size_t>(count))) {
            return 0;
        }
    } else { // a write the reader can no longer get: none is expected after the header
        stream.write_error_ = "the WAV layout needs a seekable file";
        return 0;
    }
    stream.position_ += count;
    stream.length_ = std::max(stream.length_, stream.position_);
    return count;
}

bool WavStream::Send(const unsigned char* data, size_t count) {
    if (!WriteAll(fd_, std::string_view(reinterpret_cast<const char*>(data), count))) {
        write_error_ = std::strerror(errno);
        return false;
    }
    return true;
}

bool WavStream::Start(uint64_t frame_count, int frame_bytes, std::string& error) {
    const uint64_t data_bytes = frame_count * static_cast<uint64_t>(frame_bytes);
    if (data_bytes + header_.size() > std::numeric_limits<uint32_t>::max() || frame_bytes % 2 != 0) {
        error = "too long for a WAV file";
        return false;
    }
    // RIFF, its size, WAVE, then chunks of an id, a size and a body padded to an even length; the
    // data chunk is last, its samples follow the header.
    bool found_data = false;
    for (size_t at = 12; at + 8 <= header_.size();) {
        unsigned char* chunk = header_.data() + at;
        const uint32_t size = ReadLe32(chunk + 4);
        if (std::memcmp(chunk, "fact", 4) == 0 && size >= 4 && at + 12 <= header_.size()) {
            WriteLe32(chunk + 8, static_cast<uint32_t>(frame_count));
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            found_data = at + 8 == header_.size();
            WriteLe32(chunk + 4, static_cast<uint32_t>(data_bytes));
            break;
        }
        at += 8 + size + (size & 1);
    }
    if (header_.size() < 12 || std::memcmp(header_.data(), "RIFF", 4) != 0 || !found_data) {
        error = "unexpected WAV header layout";
        return false;
    }
    WriteLe32(header_.data() + 4, static_cast<uint32_t>(header_.size() - 8 + data_bytes));
    started_ = true;
    if (!Send(header_.data(), header_.size())) {
        error = write_error_;
        return false;
    }
    return true;
}

bool WavStream::Finish(std::string& error) const {
    if (rewritten_header_.size() > header_.size() ||
        !std::equal(rewritten_header_.begin(), rewritten_header_.end(), header_.begin())) {
        error = "the header sent ahead does not match the samples written";
        return false;
    }
    return true;
}

} // namespace vortane
