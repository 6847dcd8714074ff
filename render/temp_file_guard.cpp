#include "render/temp_file_guard.h"

#include <array>
#include <climits>
#include <cstring>
#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(realtime_sanitizer)
#include <sanitizer/rtsan_interface.h>
#define VORTANE_RTSAN_ACTIVE 1
#endif
#endif

namespace vortane {
namespace {

// Every signal whose default action ends the process and that a handler may catch. SIGQUIT is
// left out on purpose: it asks for a core dump of the process as it is.
constexpr std::array kTerminatingSignals = {SIGHUP,  SIGINT,  SIGTERM, SIGPIPE,
                                            SIGALRM, SIGUSR1, SIGUSR2, SIGXFSZ};

// A signal handler can reach nothing but process-wide storage. Written only while the signals are
// held back, read only by the handler.
std::array<char, PATH_MAX + 1> g_temp_path{};
bool g_handlers_installed = false;

extern "C" void RemoveTempAndResignal(int signal_number) {
#if defined(VORTANE_RTSAN_ACTIVE)
    __rtsan_disable(); // the signal may land inside the nonblocking Render; this is not part of it
#endif
    if (g_temp_path[0] != '\0') {
        unlink(g_temp_path.data());
    }
    // Die by the same signal, so that a shell or a parent sees "killed by SIGHUP", not an exit code.
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal_number, &fallback, nullptr);
    sigset_t self;
    sigemptyset(&self);
    sigaddset(&self, signal_number);
    sigprocmask(SIG_UNBLOCK, &self, nullptr);
    raise(signal_number);
    _exit(128 + signal_number); // not reached: every signal in the list terminates by default
}

void InstallHandlers() {
    if (g_handlers_installed) {
        return;
    }
    g_handlers_installed = true;
    struct sigaction action {};
    action.sa_handler = RemoveTempAndResignal;
    sigemptyset(&action.sa_mask);
    for (int signal_number : kTerminatingSignals) {
        sigaddset(&action.sa_mask, signal_number); // one cleanup at a time
    }
    for (int signal_number : kTerminatingSignals) {
        struct sigaction previous {};
        sigaction(signal_number, nullptr, &previous);
        if (previous.sa_handler != SIG_IGN) {
            sigaction(signal_number, &action, nullptr);
        }
    }
}

} // namespace

TempFileGuard::Hold::Hold() {
    sigset_t held;
    sigemptyset(&held);
    for (int signal_number : kTerminatingSignals) {
        sigaddset(&held, signal_number);
    }
    sigprocmask(SIG_BLOCK, &held, &previous_);
}

TempFileGuard::Hold::~Hold() {
    sigprocmask(SIG_SETMASK, &previous_, nullptr);
}

bool TempFileGuard::Guard(const char* path) {
    const size_t length = std::strlen(path);
    if (length >= g_temp_path.size()) {
        return false;
    }
    InstallHandlers();
    std::memcpy(g_temp_path.data(), path, length + 1);
    guarding_ = true;
    return true;
}

void TempFileGuard::Release() {
    if (guarding_) {
        g_temp_path[0] = '\0';
        guarding_ = false;
    }
}

} // namespace vortane
