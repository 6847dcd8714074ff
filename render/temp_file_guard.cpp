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

// Every signal whose default action ends the process and that a handler may catch, the real-time
// ones (whose numbers glibc decides at run time) added by TerminatingSignals. SIGQUIT, SIGXCPU and
// SIGXFSZ ask for a core dump, but come from outside (the user, a resource limit) with the memory
// intact: the file goes, then the dump happens as it would have. The faults (SIGSEGV, SIGBUS, SIGILL,
// SIGFPE, SIGSYS, SIGTRAP, SIGABRT) are left alone: after one the memory cannot be trusted, and a
// damaged name could remove another file; they keep their dump, and a debugger or a sanitizer its
// view of the fault.
constexpr std::array kNamedSignals = {SIGHUP,    SIGINT,  SIGQUIT, SIGPIPE, SIGALRM,
                                      SIGTERM,   SIGUSR1, SIGUSR2, SIGXCPU, SIGXFSZ,
                                      SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSTKFLT};

sigset_t TerminatingSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal_number : kNamedSignals) {
        sigaddset(&set, signal_number);
    }
    for (int signal_number = SIGRTMIN; signal_number <= SIGRTMAX; ++signal_number) {
        sigaddset(&set, signal_number);
    }
    return set;
}

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
    _exit(128 + signal_number); // not reached: every signal in the set terminates by default
}

void InstallHandlers() {
    if (g_handlers_installed) {
        return;
    }
    g_handlers_installed = true;
    struct sigaction action {};
    action.sa_handler = RemoveTempAndResignal;
    action.sa_mask = TerminatingSignals(); // one cleanup at a time
    for (int signal_number = 1; signal_number < NSIG; ++signal_number) {
        // Only a signal left to its default: one ignored at start-up (nohup, a background job)
        // stays ignored, and one a library handles stays its own.
        struct sigaction previous {};
        if (sigismember(&action.sa_mask, signal_number) == 1 &&
            sigaction(signal_number, nullptr, &previous) == 0 && (previous.sa_flags & SA_SIGINFO) == 0 &&
            previous.sa_handler == SIG_DFL) {
            sigaction(signal_number, &action, nullptr);
        }
    }
}

} // namespace

TempFileGuard::Hold::Hold() {
    const sigset_t held = TerminatingSignals();
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
