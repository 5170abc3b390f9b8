#include "platform/ProcessLauncher.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <sys/wait.h>

#include <chrono>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "support/TestEnvironment.h"

namespace vorn::platform {
namespace {

using namespace std::chrono_literals;
using test::WaitFor;

bool ProcessGone(ProcessId pid) {
    // A zombie still has its /proc entry; a collected child has none.
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

TEST(ProcessLauncherTest, EndedChildrenAreCollectedWithoutWaiting) {
    test::TempDir dir;
    ProcessLauncher launcher;
    std::vector<ProcessId> pids;
    for (int i = 0; i < 3; ++i) {
        ProcessId pid = launcher.Start("/bin/sh", {"-c", "echo started > \"$0\"",
                                                   (dir / ("out" + std::to_string(i))).string()});
        ASSERT_GT(pid, 0);
        pids.push_back(pid);
    }
    for (ProcessId pid : pids) {
        EXPECT_TRUE(WaitFor([&] { return ProcessGone(pid); })) << "child left as a zombie";
    }
    EXPECT_TRUE(WaitFor([&] { return launcher.RunningChildren() == 0; }));
    EXPECT_EQ(test::ReadFileBytes(dir / "out2"), "started\n");
}

TEST(ProcessLauncherTest, EachEndedChildIsReportedWithItsStatus) {
    ProcessLauncher launcher;
    std::mutex mutex;
    std::vector<std::pair<ProcessId, ProcessExit>> ended;
    launcher.SetExitHandler(
        [&](const std::filesystem::path& program, ProcessId pid, ProcessExit exit) {
            EXPECT_EQ(program, "/bin/sh");
            std::lock_guard lock(mutex);
            ended.emplace_back(pid, exit);
        });
    const ProcessId exits = launcher.Start("/bin/sh", {"-c", "exit 3"});
    const ProcessId killed = launcher.Start("/bin/sh", {"-c", "kill -TERM $$"});
    ASSERT_GT(exits, 0);
    ASSERT_GT(killed, 0);
    ASSERT_TRUE(WaitFor([&] {
        std::lock_guard lock(mutex);
        return ended.size() == 2;
    }));
    launcher.SetExitHandler(nullptr);
    for (const auto& [pid, exit] : ended) {
        if (pid == exits) {
            EXPECT_FALSE(exit.bySignal);
            EXPECT_EQ(exit.code, 3u);
        } else {
            EXPECT_EQ(pid, killed);
            EXPECT_TRUE(exit.bySignal);
            EXPECT_EQ(exit.code, static_cast<std::uint32_t>(SIGTERM));
        }
    }
}

TEST(ProcessLauncherTest, ChildStartsCleanInItsOwnSession) {
    test::TempDir dir;
    // Blocked and ignored signals and open descriptors of ours must not reach the child.
    sigset_t block;
    sigset_t old;
    sigemptyset(&block);
    sigaddset(&block, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &block, &old);
    auto oldPipe = ::signal(SIGPIPE, SIG_IGN);
    int opened = ::open("/dev/null", O_RDONLY);
    int inherited = ::dup2(opened, 57);  // no close-on-exec
    ::close(opened);
    ASSERT_EQ(inherited, 57);

    pid_t pid = -1;
    {
        ProcessLauncher launcher;
        pid = static_cast<pid_t>(
            launcher.Start("/bin/sh", {"-c",
                                       "ls /proc/self/fd > \"$0\"/fds; "
                                       "grep -E '^(SigBlk|SigIgn)' /proc/self/status > \"$0\"/sig; "
                                       "exec sleep 30",
                                       dir.path().string()}));
        ASSERT_GT(pid, 0);
        EXPECT_TRUE(WaitFor([&] { return !test::ReadFileBytes(dir / "sig").empty(); }));
        EXPECT_EQ(::getsid(pid), pid);
    }
    // The launcher is gone, the child runs on.
    EXPECT_EQ(::kill(pid, 0), 0);
    EXPECT_EQ(::kill(pid, SIGTERM), 0);
    ::close(inherited);
    ::signal(SIGPIPE, oldPipe);
    pthread_sigmask(SIG_SETMASK, &old, nullptr);

    std::string fds = test::ReadFileBytes(dir / "fds");
    EXPECT_EQ(fds.find(std::to_string(inherited) + "\n"), std::string::npos) << fds;
    std::string sig = test::ReadFileBytes(dir / "sig");
    auto mask = [&](const char* name) {
        std::size_t at = sig.find(name);
        return at == std::string::npos ? ~0ull : std::stoull(sig.substr(at + 8, 16), nullptr, 16);
    };
    EXPECT_EQ(mask("SigBlk:") & (1ull << (SIGTERM - 1)), 0u) << sig;
    EXPECT_EQ(mask("SigIgn:") & (1ull << (SIGPIPE - 1)), 0u) << sig;
    // Without the launcher nobody collects it here; the test process does.
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status));
}

TEST(ProcessLauncherTest, MissingProgramReportsTheError) {
    ProcessLauncher launcher;
    int error = 0;
    EXPECT_EQ(launcher.Start("/no/such/AgentZelt", {}, &error), kNoProcess);
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(launcher.RunningChildren(), 0u);
}

}  // namespace
}  // namespace vorn::platform
