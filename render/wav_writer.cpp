#include "render/wav_writer.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/text.h"
#include "render/render_options.h"
#include "render/wav_stream.h"

namespace vortane {
WavWriter::WavWriter() = default;

WavWriter::~WavWriter() {
    Discard();
}

std::string WavWriter::Reason(const std::string& what) const {
    if (target_.kind == OutputKind::StandardOutput) {
        return "cannot write to standard output: " + what;
    }
    return "cannot write " + Quoted(output_) + ": " + what;
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
    case OutputKind::File:
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
    std::string reason;
    {
        const TempFileGuard::Hold hold; // no signal between creating the file and guarding it
        if (!atomic_.Open(target_.path, reason)) {
            error = Reason(reason);
            return false;
        }
        if (!guard_.Guard(atomic_.temp_path().c_str())) {
            atomic_.Discard();
            error = Reason(std::strerror(ENAMETOOLONG));
            return false;
        }
    }
    fd_ = atomic_.fd();
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

// The slow sync comes first; then the file takes its place with the terminating signals held back,
// so that Ctrl-C never leaves a hard-linked file half filled, and the temporary name is forgotten
// as the file takes its place.
bool WavWriter::CommitFile(std::string& error) {
    if (!atomic_.Flush(error)) {
        return false;
    }
    const TempFileGuard::Hold hold;
    fd_ = -1;
    const bool committed = atomic_.Commit(error);
    guard_.Release();
    return committed;
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
    } else {
        CommitFile(reason);
    }
    if (!reason.empty()) {
        error = Reason(reason);
        Discard();
        return false;
    }
    Discard(); // closes a stream's descriptor
    return true;
}

void WavWriter::Discard() {
    if (file_ != nullptr) {
        sf_close(file_);
        file_ = nullptr;
    }
    stream_.reset();
    if (fd_ >= 0 && target_.kind == OutputKind::Stream) {
        close(fd_);
    }
    fd_ = -1;
    const TempFileGuard::Hold hold;
    atomic_.Discard();
    guard_.Release();
}

} // namespace vortane
