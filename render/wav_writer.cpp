#include "render/wav_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sndfile.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "base/files.h"
#include "render/render_options.h"
#include "render/wav_stream.h"

namespace vortane {
namespace {

// The folder that holds path, for SyncFolder.
std::filesystem::path FolderOf(const std::filesystem::path& path) {
    return path.has_parent_path() ? path.parent_path() : ".";
}

// The new file gets the old one's owner where the user may give it (root may, others only their
// own groups); the set-id bits only go with the owner they were meant for.
void TakeOwnerAndMode(int fd, const struct stat& old) {
    const bool same_owner = fchown(fd, old.st_uid, old.st_gid) == 0;
    fchmod(fd, old.st_mode & (same_owner ? 07777 : 0777));
}

bool WriteAll(int fd, const char* data, size_t count) {
    while (count > 0) {
        const ssize_t written = write(fd, data, count);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        data += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

} // namespace

WavWriter::WavWriter() = default;

WavWriter::~WavWriter() {
    Discard();
}

std::string WavWriter::Reason(const std::string& what) const {
    if (target_.kind == OutputKind::StandardOutput) {
        return "cannot write to standard output: " + what;
    }
    return "cannot write \"" + output_ + "\": " + what;
}

bool WavWriter::Open(const std::string& output, long frame_count, std::string& error) {
    Discard();
    output_ = output;
    frame_count_ = frame_count;
    frames_written_ = 0;
    std::string reason;
    if (!ResolveOutput(output, target_, reason)) {
        error = Reason(reason);
        return false;
    }
    switch (target_.kind) {
    case OutputKind::StandardOutput:
        fd_ = STDOUT_FILENO;
        return OpenStream(error);
    case OutputKind::Stream:
        // Blocks until a FIFO has a reader, as a shell's redirection does.
        fd_ = open(target_.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        return OpenStream(error);
    case OutputKind::LinkedFile:
        // Opened now, so that a file the user cannot write stops the render before it starts.
        linked_ = open(target_.path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (linked_ < 0) {
            error = Reason(std::strerror(errno));
            return false;
        }
        return OpenTemp(error);
    case OutputKind::NewFile:
    case OutputKind::ReplaceFile:
        return OpenTemp(error);
    }
    return false;
}

bool WavWriter::OpenStream(std::string& error) {
    struct stat st {};
    if (fd_ < 0 || fstat(fd_, &st) != 0) {
        error = Reason(std::strerror(errno));
        Discard();
        return false;
    }
    if (target_.kind == OutputKind::Stream && !S_ISFIFO(st.st_mode) && !S_ISCHR(st.st_mode)) {
        error = Reason("it was replaced while it was opened"); // never write over a file unannounced
        Discard();
        return false;
    }
    if (isatty(fd_) == 1) {
        error = Reason("it is a terminal");
        Discard();
        return false;
    }
    stream_ = std::make_unique<WavStream>(fd_);
    return StartWav(error);
}

bool WavWriter::OpenTemp(std::string& error) {
    namespace fs = std::filesystem;
    const fs::path target(target_.path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    // ".NAME.XXXXXX", appended piece by piece: GCC 12 at -O3 warns (-Wrestrict, wrongly) about
    // the concatenation of a literal and a temporary string.
    std::string name = ".";
    name.append(target.filename().string()).append(".XXXXXX");
    std::string temp = (folder / name).string();
    {
        const TempFileGuard::Hold hold; // no signal between creating the file and guarding it
        fd_ = mkostemp(temp.data(), O_CLOEXEC);
        if (fd_ < 0) {
            error = Reason(std::strerror(errno));
            return false;
        }
        temp_path_ = temp;
        if (!guard_.Guard(temp_path_.c_str())) {
            error = Reason(std::strerror(ENAMETOOLONG));
            Discard();
            return false;
        }
    }
    if (target_.kind == OutputKind::ReplaceFile) {
        TakeOwnerAndMode(fd_, target_.existing);
    } else {
        fchmod(fd_, NewFileMode());
    }
    return StartWav(error);
}

bool WavWriter::StartWav(std::string& error) {
    SF_INFO info{};
    info.samplerate = kRenderSampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    file_ = stream_ ? sf_open_virtual(WavStream::Io(), SFM_WRITE, &info, stream_.get())
                    : sf_open_fd(fd_, SFM_WRITE, &info, SF_FALSE);
    if (file_ == nullptr) {
        error = Reason(sf_strerror(nullptr));
        Discard();
        return false;
    }
    // The PEAK chunk carries a time stamp; without it equal samples give equal bytes.
    sf_command(file_, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    if (stream_) {
        sf_command(file_, SFC_UPDATE_HEADER_NOW, nullptr, 0); // the header as it will be, PEAK dropped
        std::string reason;
        if (!stream_->Start(static_cast<uint64_t>(frame_count_), sizeof(float), reason)) {
            error = Reason(reason);
            Discard();
            return false;
        }
    }
    return true;
}

bool WavWriter::Write(std::span<const float> samples, std::string& error) {
    const auto count = static_cast<sf_count_t>(samples.size());
    if (file_ == nullptr || sf_writef_float(file_, samples.data(), count) != count) {
        const bool stream_failed = stream_ && !stream_->write_error().empty();
        error = Reason(file_ == nullptr ? "the file is not open"
                       : stream_failed  ? stream_->write_error()
                                        : sf_strerror(file_));
        Discard();
        return false;
    }
    frames_written_ += static_cast<long>(count);
    return true;
}

bool WavWriter::CopyIntoLinkedFile(std::string& error) {
    std::vector<char> buffer(1 << 16);
    if (ftruncate(linked_, 0) != 0) {
        error = Reason(std::strerror(errno));
        return false;
    }
    for (off_t offset = 0;;) {
        const ssize_t count = pread(fd_, buffer.data(), buffer.size(), offset);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 ||
            !WriteAll(linked_, buffer.data(), static_cast<size_t>(std::max<ssize_t>(count, 0)))) {
            error = Reason(std::string(std::strerror(errno)) + "; the file is incomplete");
            return false;
        }
        if (count == 0) {
            break;
        }
        offset += count;
    }
    // Synced and closed: either may be where a full disk or a network file system reports failure.
    const bool synced = fsync(linked_) == 0;
    const int sync_errno = errno;
    const int result = close(linked_);
    linked_ = -1;
    if (!synced || result != 0) {
        error = Reason(std::strerror(synced ? errno : sync_errno));
        return false;
    }
    return true;
}

bool WavWriter::Commit(std::string& error) {
    if (file_ == nullptr || frames_written_ != frame_count_) {
        error = Reason(file_ == nullptr ? "the file is not open" : "the render stopped early");
        Discard();
        return false;
    }
    const int close_result = sf_close(file_);
    file_ = nullptr;
    std::string reason;
    if (close_result != 0) {
        reason = sf_error_number(close_result);
    } else if (stream_) {
        stream_->Finish(reason);
    } else if (target_.kind == OutputKind::LinkedFile) {
        if (!CopyIntoLinkedFile(error)) {
            Discard();
            return false;
        }
    } else if (fsync(fd_) != 0) { // on disk before it replaces the old file, or a power cut may leave neither
        reason = std::strerror(errno);
    } else if (close(std::exchange(fd_, -1)) != 0) { // a network file system may report a full disk here
        reason = std::strerror(errno);
    } else {
        const TempFileGuard::Hold hold; // the name is forgotten as the file takes its place
        if (std::rename(temp_path_.c_str(), target_.path.c_str()) != 0) {
            reason = std::strerror(errno);
        } else {
            temp_path_.clear();
            guard_.Release();
            SyncFolder(FolderOf(target_.path).c_str()); // so that the rename itself survives a power cut
        }
    }
    if (!reason.empty()) {
        error = Reason(reason);
        Discard();
        return false;
    }
    Discard(); // closes the descriptors and removes a copied temporary file
    return true;
}

void WavWriter::Discard() {
    if (file_ != nullptr) {
        sf_close(file_);
        file_ = nullptr;
    }
    stream_.reset();
    if (fd_ >= 0 && target_.kind != OutputKind::StandardOutput) {
        close(fd_);
    }
    fd_ = -1;
    if (linked_ >= 0) {
        close(linked_);
        linked_ = -1;
    }
    if (!temp_path_.empty()) {
        const TempFileGuard::Hold hold;
        unlink(temp_path_.c_str());
        temp_path_.clear();
        guard_.Release();
    }
}

} // namespace vortane
