#include "app/bounded_call.h"

#include <condition_variable>
#include <mutex>

namespace vortane {
namespace {

// An overrunning job gets this long to finish when the caller goes away; then it is let go.
constexpr std::chrono::seconds kGraceAtExit{1};
constexpr std::chrono::milliseconds kPumpInterval{10};

} // namespace

struct BoundedCall::Progress {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;

    // Waits until the job is done or the deadline passed; true when done.
    bool WaitUntil(Clock::time_point deadline) {
        std::unique_lock lock(mutex);
        return finished.wait_until(lock, deadline, [this] { return done; });
    }
};

BoundedCall::~BoundedCall() {
    if (!worker_.joinable()) {
        return;
    }
    if (progress_->WaitUntil(Clock::now() + kGraceAtExit)) {
        worker_.join();
    } else {
        worker_.detach(); // it owns everything it touches but the library, which the process leaves
    }
}

bool BoundedCall::Run(std::function<void()> job, std::chrono::milliseconds bound,
                      const std::function<void()>& between) {
    if (Overrunning()) {
        return false; // the library is still busy with the job before
    }
    if (worker_.joinable()) {
        worker_.join(); // finished: Overrunning() is false
    }
    auto progress = std::make_shared<Progress>();
    progress_ = progress;
    worker_ = std::thread([progress, job = std::move(job)] {
        job();
        const std::lock_guard lock(progress->mutex);
        progress->done = true;
        progress->finished.notify_all();
    });
    const Clock::time_point deadline = Clock::now() + bound;
    for (;;) {
        const Clock::time_point now = Clock::now();
        const Clock::time_point step = between ? std::min(deadline, now + kPumpInterval) : deadline;
        if (progress->WaitUntil(step)) {
            worker_.join();
            return true;
        }
        if (step >= deadline) {
            return false;
        }
        between();
    }
}

bool BoundedCall::Overrunning() const {
    if (!worker_.joinable()) {
        return false;
    }
    const std::lock_guard lock(progress_->mutex);
    return !progress_->done;
}

} // namespace vortane
