// Where vortane-render's WAV goes: standard output, FIFOs, devices, links, kept modes, refusals,
// and the temporary file when a signal ends the render.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "tests/render/render_tool_fixture.h"

namespace vortane {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::vector<std::string> kRenderArgs = {"--seconds", "0.5", "--seed", "11"};

// Hidden temporary files of the form ".NAME.XXXXXX" left in a folder.
std::vector<std::string> TempFilesIn(const fs::path& folder) {
    std::vector<std::string> found;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with('.') && name.find(".wav.") != std::string::npos) {
            found.push_back(name);
        }
    }
    return found;
}

mode_t ModeOf(const fs::path& path, bool follow = true) {
    struct stat st {};
    return (follow ? stat(path.c_str(), &st) : lstat(path.c_str(), &st)) == 0 ? st.st_mode : 0;
}

// Reads a FIFO to its end on a thread, so that the tool's open of it finds a reader. Gives up
// after a few seconds, so that a tool that never opens the FIFO fails the test instead of hanging it.
class FifoReader {
public:
    explicit FifoReader(const fs::path& fifo) : thread_([this, fifo] { ReadAll(fifo); }) {}
    ~FifoReader() { Received(); }
    const std::string& Received() {
        if (thread_.joinable()) {
            thread_.join();
        }
        return received_;
    }

private:
    void ReadAll(const fs::path& fifo) {
        const int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK); // never blocks in open
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        pollfd poll_fd{fd, POLLIN, 0};
        while (fd >= 0 && Clock::now() < deadline && poll(&poll_fd, 1, 100) >= 0) {
            char buffer[65536];
            const ssize_t count =
                (poll_fd.revents & (POLLIN | POLLHUP)) != 0 ? read(fd, buffer, sizeof buffer) : -1;
            if (count == 0) {
                break; // the writer has come and gone
            }
            if (count > 0) {
                received_.append(buffer, static_cast<size_t>(count));
            }
        }
        if (fd >= 0) {
            close(fd);
        }
    }

    std::string received_;
    std::thread thread_;
};

struct OutputCase {
    const char* name;
    // Makes what the output names in the case's folder and gives the OUTPUT argument, and the
    // shell text after the command.
    std::function<std::pair<std::string, std::string>(const fs::path&)> prepare;
    // Checks the folder afterwards against the bytes of the same render written to a new file.
    std::function<void(const fs::path&, const std::string&)> check;
};

TEST_F(RenderTool, EveryKindOfOutputGetsTheSameBytes) {
    ASSERT_EQ(Run({"--seconds", "0.5", "--seed", "11", "@/reference.wav"}).exit_code, 0);
    const std::string reference = ReadBytes(dir_ / "reference.wav");
    ASSERT_EQ(reference.size(), 80u + 22050u * 4); // header, then 0.5 s of floats

    std::unique_ptr<FifoReader> fifo_reader;
    const std::vector<OutputCase> kCases = {
        {"standard output into a pipe",
         [](const fs::path& d) {
             return std::pair{std::string("-"), " | cat > '" + (d / "out.wav").string() + "'"};
         },
         [](const fs::path& d, const std::string& ref) { EXPECT_TRUE(ReadBytes(d / "out.wav") == ref); }},
        {"FIFO with a reader",
         [&](const fs::path& d) {
             mkfifo((d / "fifo").c_str(), 0600);
             fifo_reader = std::make_unique<FifoReader>(d / "fifo");
             return std::pair{(d / "fifo").string(), std::string()};
         },
         [&](const fs::path& d, const std::string& ref) {
             EXPECT_TRUE(fifo_reader->Received() == ref) << fifo_reader->Received().size() << " bytes read";
             EXPECT_TRUE(S_ISFIFO(ModeOf(d / "fifo")));
         }},
        {"character device",
         [](const fs::path& d) {
             // A private node of the null device where the test may make one, so that a tool that
             // replaces it harms nothing; /dev/null itself otherwise.
             const fs::path node = d / "null";
             const bool own = mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
             const int fd = own ? open(node.c_str(), O_WRONLY) : -1;
             if (fd >= 0) {
                 close(fd);
             }
             return std::pair{fd >= 0 ? node.string() : std::string("/dev/null"), std::string()};
         },
         [](const fs::path& d, const std::string&) {
             EXPECT_TRUE(S_ISCHR(ModeOf("/dev/null")));
             if (fs::exists(d / "null")) {
                 EXPECT_TRUE(S_ISCHR(ModeOf(d / "null")));
             }
         }},
        {"symbolic link to a file",
         [](const fs::path& d) {
             std::ofstream(d / "target.wav") << "old";
             fs::create_symlink("target.wav", d / "link.wav");
             return std::pair{(d / "link.wav").string(), std::string()};
         },
         [](const fs::path& d, const std::string& ref) {
             EXPECT_TRUE(fs::is_symlink(d / "link.wav"));
             EXPECT_TRUE(ReadBytes(d / "target.wav") == ref);
         }},
        {"dangling symbolic link",
         [](const fs::path& d) {
             fs::create_directory(d / "sub");
             fs::create_symlink("sub/new.wav", d / "link.wav");
             return std::pair{(d / "link.wav").string(), std::string()};
         },
         [](const fs::path& d, const std::string& ref) {
             EXPECT_TRUE(fs::is_symlink(d / "link.wav"));
             EXPECT_TRUE(ReadBytes(d / "sub" / "new.wav") == ref);
             EXPECT_TRUE(TempFilesIn(d / "sub").empty());
         }},
        {"private file",
         [](const fs::path& d) {
             std::ofstream(d / "private.wav") << "old";
             chmod((d / "private.wav").c_str(), 0600);
             return std::pair{(d / "private.wav").string(), std::string()};
         },
         [](const fs::path& d, const std::string& ref) {
             EXPECT_EQ(ModeOf(d / "private.wav") & 07777, 0600u);
             EXPECT_TRUE(ReadBytes(d / "private.wav") == ref);
         }},
        {"file with a second hard link",
         [](const fs::path& d) {
             std::ofstream(d / "a.wav") << "old";
             fs::create_hard_link(d / "a.wav", d / "b.wav");
             return std::pair{(d / "a.wav").string(), std::string()};
         },
         [](const fs::path& d, const std::string& ref) {
             EXPECT_TRUE(fs::equivalent(d / "a.wav", d / "b.wav"));
             EXPECT_TRUE(ReadBytes(d / "b.wav") == ref);
         }},
    };
    for (const OutputCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const fs::path folder = dir_ / c.name;
        fs::create_directory(folder);
        auto [output, suffix] = c.prepare(folder);
        std::vector<std::string> args = kRenderArgs;
        args.push_back(output);
        const RunResult result = Run(args, "", suffix);
        EXPECT_EQ(result.exit_code, 0) << result.output;
        c.check(folder, reference);
        EXPECT_TRUE(TempFilesIn(folder).empty()) << testing::PrintToString(TempFilesIn(folder));
    }
}

// Outputs that must not be written: exit code 2, one line on stderr, the thing untouched.
TEST_F(RenderTool, RefusedOutputsStayAsTheyWere) {
    fs::create_directory(dir_ / "folder");
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socket_path = (dir_ / "socket").string();
    socket_path.copy(address.sun_path, sizeof address.sun_path - 1);
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

    struct Refusal {
        std::string output;
        std::string suffix;
        std::string reason;
    };
    std::vector<Refusal> cases = {
        {"@/folder", "", "directory"},
        {socket_path, "", "socket"},
    };
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    const bool have_terminal = terminal >= 0 && grantpt(terminal) == 0 && unlockpt(terminal) == 0;
    if (have_terminal) { // a container may have no pseudo-terminals
        const std::string terminal_path = ptsname(terminal);
        cases.push_back({"-", " > " + terminal_path, "terminal"}); // standard output on a terminal
        cases.push_back({terminal_path, "", "terminal"});
    }
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.output + c.suffix);
        std::vector<std::string> args = kRenderArgs;
        args.push_back(c.output);
        const RunResult result = Run(args, "", c.suffix);
        EXPECT_EQ(result.exit_code, 2);
        EXPECT_TRUE(result.output.starts_with("vortane-render: ")) << result.output;
        EXPECT_NE(result.output.find(c.reason), std::string::npos) << result.output;
        EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1) << result.output;
    }
    EXPECT_TRUE(fs::is_directory(dir_ / "folder") && fs::is_empty(dir_ / "folder"));
    EXPECT_TRUE(S_ISSOCK(ModeOf(socket_path)));
    EXPECT_FALSE(fs::exists("-")) << "a file named - in the working folder";
    if (have_terminal) {
        char buffer[64];
        fcntl(terminal, F_SETFL, O_NONBLOCK);
        EXPECT_LE(read(terminal, buffer, sizeof buffer), 0) << "bytes reached the terminal";
    }
    close(listener);
    if (terminal >= 0) {
        close(terminal);
    }
}

// A render ended by any terminating signal dies by that signal and leaves no temporary file.
TEST_F(RenderTool, SignalsLeaveNoTemporaryFile) {
    for (int signal_number : {SIGHUP, SIGPIPE, SIGXFSZ, SIGUSR1}) {
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
