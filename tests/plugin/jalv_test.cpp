// The LV2 plugin in a real host: jalv on the JACK dummy server, a note from the test client's MIDI
// port, the plugin's output recorded by the same client.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>

#include "jack_test_client.h"

namespace vortane::test {
namespace {

constexpr const char* kHostName = "vortane-jalv";

// jalv as a child with its command input on a pipe: it runs until the pipe closes.
class Jalv {
public:
    Jalv() {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[0], STDIN_FILENO);
            close(fds[0]);
            close(fds[1]);
            setenv("LV2_PATH", VORTANE_LV2_BUNDLE "/..", 1);
            execlp("jalv", "jalv", "-x", "-n", kHostName, "urn:vortane:vortane", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[0]);
        input_ = fds[1];
    }
    ~Jalv() {
        close(input_);
        for (int i = 0; i < 50 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        if (kill(pid_, SIGKILL) == 0) {
            waitpid(pid_, nullptr, 0);
        }
    }
    bool Started() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
    int input_ = -1;
};

bool Connect(const std::string& from, const std::string& to) {
    return std::system(("jack_connect '" + from + "' '" + to + "' >/dev/null 2>&1").c_str()) == 0;
}

double Rms(const std::vector<float>& s) {
    double sum = 0.0;
    for (float x : s) {
        sum += static_cast<double>(x) * x;
    }
    return s.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(s.size()));
}

TEST(JalvHost, NoteOpensAndClosesTheVoice) {
    testing::JackTestClient client("vortane-jalv-test");
    ASSERT_TRUE(client.Ok());
    Jalv jalv;
    ASSERT_TRUE(jalv.Started());

    const std::string out = std::string(kHostName) + ":lv2_out";
    bool connected = false;
    for (int i = 0; i < 100 && !connected; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        connected = client.RecordFrom(out) &&
                    Connect(client.MidiPortName(), std::string(kHostName) + ":lv2_events_in");
    }
    ASSERT_TRUE(connected) << "jalv's ports never appeared";

    const std::vector<float> before = client.Record(0.5);
    client.Send(0x90, 60, 100);
    const std::vector<float> during = client.Record(1.0);
    client.Send(0x80, 60, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // a cycle for the release to arrive
    const std::vector<float> after = client.Record(0.5);

    EXPECT_GT(before.size(), 10000u);
    EXPECT_TRUE(std::all_of(before.begin(), before.end(), [](float x) { return x == 0.0f; }));
    EXPECT_TRUE(std::all_of(during.begin(), during.end(), [](float x) { return std::isfinite(x); }));
    EXPECT_GT(Rms(during), 1e-2);
    EXPECT_GT(after.size(), 10000u);
    EXPECT_TRUE(std::all_of(after.begin(), after.end(), [](float x) { return x == 0.0f; }));
    EXPECT_EQ(client.non_finite_samples(), 0u);
}

} // namespace
} // namespace vortane::test
