#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace vortane {

// Runs a job on a thread of its own and waits for it at most a time bound, so that a library call
// that never returns (an audio server that died in the middle of it) cannot hold the GUI thread.
// A job that overruns is left to finish on its own; whatever it writes must belong to it (capture
// by value or through shared pointers), and the caller must not run the same library again.
class BoundedCall {
public:
    using Clock = std::chrono::steady_clock;

    BoundedCall() = default;
    ~BoundedCall();
    BoundedCall(const BoundedCall&) = delete;
    BoundedCall& operator=(const BoundedCall&) = delete;

    // True when the job finished within the bound. While waiting, `between` (if set) runs about
    // every 10 ms on the caller's thread, for example to keep handling window events.
    bool Run(std::function<void()> job, std::chrono::milliseconds bound,
             const std::function<void()>& between = {});

    // Whether a job overran its bound and has not finished yet.
    bool Overrunning() const;

private:
    struct Progress;
    std::shared_ptr<Progress> progress_;
    std::thread worker_;
};

} // namespace vortane
