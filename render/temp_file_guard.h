#pragma once

#include <csignal>

namespace vortane {

// Removes the render's temporary file when a signal ends the process (a closed terminal, kill,
// Ctrl-C, Ctrl-\, a timeout, a closed pipe, a resource limit, a real-time signal: every catchable one
// whose default action ends the process, but the faults), and then lets that signal end the process
// as it would have, so the caller sees the real cause. Signals the process was started with ignored
// (nohup, a background job) stay ignored.
//
// The handler reads the file name from storage filled while the signals are held back, so it never
// sees half a name; it only calls unlink, sigaction, sigprocmask and raise.
class TempFileGuard {
public:
    // Holds the terminating signals back for its lifetime, so that creating or renaming the
    // temporary file and recording its name happen as one step.
    class Hold {
    public:
        Hold();
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        sigset_t previous_;
    };

    TempFileGuard() = default;
    ~TempFileGuard() { Release(); }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;

    // Call under a Hold, right after creating the file. False when the name does not fit the
    // handler's storage (longer than any path the system accepts).
    bool Guard(const char* path);
    // Call under a Hold once the file is gone or renamed.
    void Release();

private:
    bool guarding_ = false;
};

} // namespace vortane
