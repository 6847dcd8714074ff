#pragma once

#include <functional>
#include <iterator>
#include <memory>
#include <signal.h>

class QSocketNotifier;

namespace vortane {

// SIGTERM, SIGINT and SIGHUP (a kill, Ctrl+C, logout or a closed terminal) turned into a call on
// the GUI thread, so that the program ends the way the close box ends it. The handler only writes
// the signal's number into a pipe, which is safe in a handler; a socket notifier on the pipe's
// other end wakes the event loop. Signal dispositions belong to the whole process, so only one
// instance may exist at a time; it puts the previous dispositions back when it goes.
class TerminationSignals {
public:
    static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

    // Installs the handlers; a signal that comes before Watch waits in the pipe.
    TerminationSignals();
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // From now on every signal calls on_signal(number) from the calling thread's event loop.
    // Needs a QCoreApplication.
    void Watch(std::function<void(int)> on_signal);

    // False when the pipe could not be made: the signals then keep their usual effect.
    bool installed() const { return read_fd_ >= 0; }

private:
    void Drain();

    int read_fd_ = -1;
    int write_fd_ = -1;
    struct sigaction previous_[std::size(kSignals)] = {};
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void(int)> on_signal_;
};

} // namespace vortane
