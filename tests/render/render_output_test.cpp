// Where vortane-render's WAV goes: standard output, FIFOs, devices, refusals, and the temporary file
// when a signal ends the render. (What stays of a replaced file is tested once for every writer, in
// tests/base.)
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "tests/render/render_tool_fixture.h"

namespace vortane {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kRenderArgs = {"--seconds", "0.5", "--seed", "11"};

// Hidden temporary files of the form ".NAME.wav.XXXXXX" anywhere below a folder.
std::vector<std::string> TempFilesIn(const fs::path& folder) {
    std::vector<std::string> found;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with('.') && name.find(".wav.") != std::string::npos) {
            found.push_back(entry.path().string());
        }
    }
    return found;
}

mode_t ModeOf(const fs::path& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

// Every output that may be written gets the bytes of the same render to a new file and keeps what
// it is: a pipe, a FIFO, a device.
TEST_F(RenderTool, EveryKindOfOutputGetsTheSameBytes) {
    const auto render_to = [&](const std::string& output, const std::string& prefix = "",
                               const std::string& suffix = "") {
        std::vector<std::string> args = kRenderArgs;
        args.push_back(output);
        const RunResult result = Run(args, prefix, suffix);
        EXPECT_EQ(result.exit_code, 0) << output << ": " << result.output;
    };
    const fs::path d = dir_;
    render_to(d / "reference.wav");
    const std::string reference = ReadBytes(d / "reference.wav");
    ASSERT_EQ(reference.size(), 80u + 22050u * 4); // header, then 0.5 s of floats

    render_to("-", "", " | cat > '" + (d / "piped.wav").string() + "'");
    EXPECT_TRUE(ReadBytes(d / "piped.wav") == reference) << "standard output into a pipe";

    // The reader gives up after a while, so that a tool that never opens the FIFO fails the test
    // instead of hanging it.
    mkfifo((d / "fifo").c_str(), 0600);
    render_to(d / "fifo",
              "timeout 10 cat '" + (d / "fifo").string() + "' > '" + (d / "read.wav").string() + "' & ",
              "; s=$?; wait; exit $s");
    EXPECT_TRUE(ReadBytes(d / "read.wav") == reference) << "FIFO";
    EXPECT_TRUE(S_ISFIFO(ModeOf(d / "fifo")));

    // A private node of the null device where the test may make one, so that a tool that replaces
    // it harms nothing; /dev/null itself otherwise.
    const fs::path node = d / "null";
    const int fd =
        mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 ? open(node.c_str(), O_WRONLY) : -1;
    if (fd >= 0) {
        close(fd);
    }
    render_to(fd >= 0 ? node.string() : "/dev/null");
    EXPECT_TRUE(S_ISCHR(ModeOf("/dev/null")));
    EXPECT_TRUE(fd < 0 || S_ISCHR(ModeOf(node)));

    EXPECT_TRUE(TempFilesIn(d).empty()) << testing::PrintToString(TempFilesIn(d));
}

// Outputs that must not be written: exit code 2, one line on stderr naming why, the thing untouched.
TEST_F(RenderTool, RefusedOutputsStayAsTheyWere) {
    fs::create_directory(dir_ / "folder");
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socket_path = (dir_ / "socket").string();
    socket_path.copy(address.sun_path, sizeof address.sun_path - 1);
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

    // {output, shell text after the command, reason}
    std::vector<std::array<std::string, 3>> cases = {{"@/folder", "", "directory"},
                                                     {socket_path, "", "socket"}};
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    const bool have_terminal = terminal >= 0 && grantpt(terminal) == 0 && unlockpt(terminal) == 0;
    if (have_terminal) { // a container may have no pseudo-terminals
        cases.push_back({"-", std::string(" > ") + ptsname(terminal), "terminal"}); // standard output
        cases.push_back({ptsname(terminal), "", "terminal"});
    }
    for (const auto& [output, suffix, reason] : cases) {
        std::vector<std::string> args = kRenderArgs;
        args.push_back(output);
        const RunResult result = Run(args, "", suffix);
        EXPECT_EQ(result.exit_code, 2) << output << suffix;
        EXPECT_TRUE(result.output.starts_with("vortane-render: ")) << result.output;
        EXPECT_NE(result.output.find(reason), std::string::npos) << result.output;
        EXPECT_EQ(result.Lines(), 1) << result.output;
    }
    EXPECT_TRUE(fs::is_directory(dir_ / "folder") && fs::is_empty(dir_ / "folder"));
    EXPECT_TRUE(S_ISSOCK(ModeOf(socket_path)));
    EXPECT_FALSE(fs::exists("-")) << "a file named - in the working folder";
    char buffer[64];
    EXPECT_TRUE(!have_terminal || read(terminal, buffer, sizeof buffer) <= 0) << "bytes reached the terminal";
    close(listener);
    close(terminal);
}

// A render ended by any terminating signal dies by that signal and leaves no temporary file.
TEST_F(RenderTool, SignalsLeaveNoTemporaryFile) {
    using Clock = std::chrono::steady_clock;
    for (int signal_number : {SIGINT, SIGHUP, SIGPIPE, SIGXFSZ, SIGUSR1}) {
        SCOPED_TRACE(strsignal(signal_number));
        const std::string output = (dir_ / "long.wav").string();
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            signal(signal_number, SIG_DFL); // as a terminal would start it, even if the test runs under nohup
            execl(VORTANE_RENDER_TOOL, "vortane-render", "--seconds", "3600", output.c_str(), nullptr);
            _exit(127);
        }
        // Wait until the temporary file exists, so that the signal cannot come too early to matter.
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (TempFilesIn(dir_).empty() && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_FALSE(TempFilesIn(dir_).empty());
        kill(child, signal_number);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number) << status;
        EXPECT_TRUE(fs::is_empty(dir_)) << testing::PrintToString(TempFilesIn(dir_));
    }
}

} // namespace
} // namespace vortane
