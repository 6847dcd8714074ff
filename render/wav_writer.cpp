#include "render/wav_writer.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include "render/render_options.h"

#if defined(__has_feature)
#if __has_feature(realtime_sanitizer)
#include <sanitizer/rtsan_interface.h>
#define VORTANE_RTSAN_ACTIVE 1
#endif
#endif

namespace vortane {
namespace {

// The temporary file an interrupt must remove, in storage a signal handler may read.
std::array<char, 4096> g_interrupt_temp_path{};

extern "C" void RemoveTempAndExit(int signal_number) {
#if defined(VORTANE_RTSAN_ACTIVE)
    __rtsan_disable(); // the interrupt may land inside the nonblocking Render; this is not part of it
#endif
    if (g_interrupt_temp_path[0] != '\0') {
        unlink(g_interrupt_temp_path.data());
    }
    _exit(128 + signal_number);
}

void GuardAgainstInterrupt(const std::string& temp_path) {
    if (temp_path.size() >= g_interrupt_temp_path.size()) {
        return;
    }
    std::memcpy(g_interrupt_temp_path.data(), temp_path.c_str(), temp_path.size() + 1);
    std::signal(SIGINT, RemoveTempAndExit);
    std::signal(SIGTERM, RemoveTempAndExit);
}

void ReleaseInterruptGuard() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    g_interrupt_temp_path[0] = '\0';
}

// Regular file permissions as the user's umask allows, as any newly created file would get.
mode_t NewFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

WavWriter::~WavWriter() {
    Discard();
}

std::string WavWriter::Reason(const std::string& what) const {
    return "cannot write \"" + path_ + "\": " + what;
}

bool WavWriter::Open(const std::string& path, std::string& error) {
    Discard();
    path_ = path;
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        error = Reason("it is a directory");
        return false;
    }
    if (fs::exists(path, ec) && access(path.c_str(), W_OK) != 0) {
        error = Reason(std::strerror(errno));
        return false;
    }
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        error = Reason(std::strerror(errno));
        return false;
    }
    temp_path_ = temp;
    GuardAgainstInterrupt(temp_path_);
    fchmod(fd, NewFileMode());

    SF_INFO info{};
    info.samplerate = kRenderSampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    file_ = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    if (file_ == nullptr) { // libsndfile has closed fd
        error = Reason(sf_strerror(nullptr));
        Discard();
        return false;
    }
    // The PEAK chunk carries a time stamp; without it equal samples give equal bytes.
    sf_command(file_, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    return true;
}

bool WavWriter::Write(std::span<const float> samples, std::string& error) {
    const auto count = static_cast<sf_count_t>(samples.size());
    if (file_ == nullptr || sf_writef_float(file_, samples.data(), count) != count) {
        error = Reason(file_ != nullptr ? sf_strerror(file_) : "the file is not open");
        Discard();
        return false;
    }
    return true;
}

bool WavWriter::Commit(std::string& error) {
    if (file_ == nullptr) {
        error = Reason("the file is not open");
        return false;
    }
    const int close_result = sf_close(file_);
    file_ = nullptr;
    if (close_result != 0) {
        error = Reason(sf_error_number(close_result));
        Discard();
        return false;
    }
    if (std::rename(temp_path_.c_str(), path_.c_str()) != 0) {
        error = Reason(std::strerror(errno));
        Discard();
        return false;
    }
    temp_path_.clear();
    ReleaseInterruptGuard();
    return true;
}

void WavWriter::Discard() {
    if (file_ != nullptr) {
        sf_close(file_);
        file_ = nullptr;
    }
    if (!temp_path_.empty()) {
        unlink(temp_path_.c_str());
        temp_path_.clear();
        ReleaseInterruptGuard();
    }
}

} // namespace vortane
