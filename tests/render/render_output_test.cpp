// Where vortane-render's WAV goes: standard output, FIFOs, devices, refusals, hard links on a full
// disk and under concurrent renders, and the temporary file when a signal ends the render. (What
// stays of a replaced file is tested once for every writer, in tests/presets.)
#include <chrono>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
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

// Starts the tool without waiting, every signal at its default and unblocked as a terminal would
// start it (even when the test runs under nohup), and without core files.
pid_t Start(const std::vector<std::string>& args) {
    std::vector<char*> argv = {const_cast<char*>("vortane-render")};
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        for (int signal_number = 1; signal_number < NSIG; ++signal_number) {
            signal(signal_number, SIG_DFL);
        }
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        const rlimit no_core{0, 0};
        setrlimit(RLIMIT_CORE, &no_core);
        execv(VORTANE_RENDER_TOOL, argv.data());
        _exit(127);
    }
    return child;
}

// Waits until ready() holds, for at most ten seconds.
template <typename Ready> void WaitUntil(Ready ready) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!ready() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// A render is a mono 32-bit float WAV at 44.1 kHz of finite samples. Every output that may be
// written gets the bytes of the same render to a new file and keeps what it is: a pipe, a FIFO, a
// device.
TEST_F(RenderTool, EveryKindOfOutputGetsTheSameBytes) {
    const auto render_to = [&](const std::string& output, const std::string& prefix = "",
                               const std::string& suffix = "") {
        std::vector<std::string> args = kRenderArgs;
        args.push_back(output);
        const RunResult result = Run(args, prefix, suffix);
        EXPECT_EQ(result.exit_code, 0) << output << ": " << result.output;
    };
    const fs::path d = dir_;
    const std::vector<float> samples = Render("reference.wav", kRenderArgs);
    EXPECT_EQ(info_.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(info_.samplerate, 44100);
    EXPECT_EQ(info_.channels, 1);
    EXPECT_TRUE(std::all_of(samples.begin(), samples.end(), [](float s) { return std::isfinite(s); }));
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

// A render ended by any catchable signal whose default action ends the process (the faults aside)
// dies by that signal and leaves no temporary file. All at once, each in a folder of its own.
TEST_F(RenderTool, EverySignalLeavesNoTemporaryFile) {
    std::vector<int> signals = {SIGHUP,  SIGINT,  SIGQUIT,   SIGPIPE, SIGALRM, SIGTERM, SIGUSR1,  SIGUSR2,
                                SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSTKFLT};
    for (int signal_number = SIGRTMIN; signal_number <= SIGRTMAX; ++signal_number) {
        signals.push_back(signal_number);
    }
    std::vector<pid_t> renders;
    for (int signal_number : signals) {
        const fs::path folder = dir_ / std::to_string(signal_number);
        fs::create_directory(folder);
        renders.push_back(Start({"--seconds", "3600", (folder / "long.wav").string()}));
    }
    // The signals come once every temporary file exists, so that none comes too early to matter.
    WaitUntil([&] { return TempFilesIn(dir_).size() == signals.size(); });
    for (size_t i = 0; i < signals.size(); ++i) {
        kill(renders[i], signals[i]);
    }
    for (size_t i = 0; i < signals.size(); ++i) {
        int status = 0;
        waitpid(renders[i], &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signals[i])
            << strsignal(signals[i]) << ": " << status;
    }
    EXPECT_TRUE(TempFilesIn(dir_).empty()) << testing::PrintToString(TempFilesIn(dir_));
}

// A hard-linked file on a disk with room for the temporary file but not for a second copy (a 100 KiB
// tmpfs in a mount namespace of its own) stays as it was under both names, and the message says why.
TEST_F(RenderTool, FullDiskLeavesAHardLinkedFileAsItWas) {
    if (std::system("unshare -rm true 2>/dev/null") != 0) {
        GTEST_SKIP() << "no mount namespace here";
    }
    const RunResult result = Run({"--seconds", "0.5", "a.wav"},
                                 "unshare -rm sh -c 'mount -t tmpfs -o size=100k none \"$0\" && cd \"$0\" && "
                                 "printf old > a.wav && ln a.wav b.wav && \"$@\"; echo exit=$?; "
                                 "cat a.wav b.wav; echo; ls -A' '" +
                                     dir_.string() + "' ");
    EXPECT_NE(result.output.find("No space left on device"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("exit=2\noldold\na.wav\nb.wav\n"), std::string::npos) << result.output;
}

// Renders onto a hard-linked file wait while another writer holds its lock, then take turns: the
// file ends as one of them, whole, under both names.
TEST_F(RenderTool, ConcurrentRendersOntoAHardLinkTakeTurns) {
    const std::vector<std::string> seeds = {"1", "2", "3"};
    std::vector<std::string> references;
    for (const std::string& seed : seeds) {
        ASSERT_EQ(Run({"--seconds", "0.5", "--seed", seed, "@/ref.wav"}).exit_code, 0);
        references.push_back(ReadBytes(dir_ / "ref.wav"));
    }
    fs::remove(dir_ / "ref.wav");
    std::ofstream(dir_ / "a.wav") << "old";
    fs::create_hard_link(dir_ / "a.wav", dir_ / "b.wav");
    const int lock = open((dir_ / "a.wav").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(lock, LOCK_EX), 0);
    std::vector<pid_t> renders;
    for (const std::string& seed : seeds) {
        renders.push_back(Start({"--seconds", "0.5", "--seed", seed, (dir_ / "a.wav").string()}));
    }
    WaitUntil([&] {
        const std::vector<std::string> temps = TempFilesIn(dir_);
        return std::count_if(temps.begin(), temps.end(), [&](const std::string& temp) {
                   std::error_code gone;
                   return fs::file_size(temp, gone) == references[0].size();
               }) == 3;
    });
    EXPECT_TRUE(ReadBytes(dir_ / "b.wav") == "old") << "written while another writer held the lock";
    close(lock);
    for (pid_t render : renders) {
        int status = 0;
        waitpid(render, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    const std::string now = ReadBytes(dir_ / "b.wav");
    EXPECT_EQ(std::count(references.begin(), references.end(), now), 1) << "the renders interleaved";
    EXPECT_TRUE(ReadBytes(dir_ / "a.wav") == now);
    EXPECT_TRUE(TempFilesIn(dir_).empty()) << testing::PrintToString(TempFilesIn(dir_));
}

} // namespace
} // namespace vortane
