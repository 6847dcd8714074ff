#include "app/termination_signals.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace vortane {
namespace {

// The one value a handler needs: where to write. Process-wide, as the dispositions themselves.
std::atomic<int> signal_pipe{-1};
static_assert(std::atomic<int>::is_always_lock_free, "read inside a signal handler");

void WriteSignalNumber(int signal) {
    const int saved_errno = errno;
    const int fd = signal_pipe.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const auto byte = static_cast<unsigned char>(signal);
        // A full pipe already holds a wake-up; nothing is lost by dropping this byte.
        [[maybe_unused]] const ssize_t written = write(fd, &byte, 1);
    }
    errno = saved_errno;
}

} // namespace

TerminationSignals::TerminationSignals() {
    int fds[2];
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) {
        return;
    }
    read_fd_ = fds[0];
    write_fd_ = fds[1];
    signal_pipe.store(write_fd_, std::memory_order_relaxed);
    struct sigaction action = {};
    action.sa_handler = WriteSignalNumber;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // the thread that runs the handler resumes its system call
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], nullptr, &previous_[i]);
        // An ignored signal stays ignored: under nohup a hangup must not end the program.
        if (previous_[i].sa_handler != SIG_IGN) {
            sigaction(kSignals[i], &action, nullptr);
        }
    }
}

TerminationSignals::~TerminationSignals() {
    if (read_fd_ < 0) {
        return;
    }
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        sigaction(kSignals[i], &previous_[i], nullptr);
    }
    signal_pipe.store(-1, std::memory_order_relaxed);
    notifier_.reset();
    close(read_fd_);
    close(write_fd_);
}

void TerminationSignals::Watch(std::function<void(int)> on_signal) {
    if (read_fd_ < 0) {
        return;
    }
    on_signal_ = std::move(on_signal);
    notifier_ = std::make_unique<QSocketNotifier>(read_fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Drain(); });
}

void TerminationSignals::Drain() {
    unsigned char bytes[16];
    int last = 0;
    ssize_t n;
    while ((n = read(read_fd_, bytes, sizeof bytes)) > 0) {
        last = bytes[n - 1];
    }
    if (last != 0 && on_signal_) {
        on_signal_(last);
    }
}

} // namespace vortane
