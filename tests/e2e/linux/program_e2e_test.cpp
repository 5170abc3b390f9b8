// Vorn_Update as the operator starts it, with the agent simulator recording every request.
// Keys and clicks reach the window through xdotool (real X input events).

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "agent/AgentProtocol.h"
#include "support/TestEnvironment.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using vorn::test::WaitFor;

const fs::path kBin = VORN_BIN_DIR;
constexpr const char* kTitle = "Vorn Update v2.2.1.2293";

// A child process that the test waits for itself.
class Process {
public:
    Process(const fs::path& program, const std::vector<std::string>& args) {
        std::vector<std::string> all{program.string()};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, all[0].c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
    }
    ~Process() {
        if (running()) {
            ::kill(pid_, SIGKILL);  // a test that failed half-way must not leave it behind
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t pid() const { return pid_; }
    bool running() const { return pid_ > 0 && !status_; }

    // The exit status once the process has ended within `limit`.
    std::optional<int> Wait(std::chrono::milliseconds limit) {
        WaitFor(
            [&] {
                int status = 0;
                if (!status_ && ::waitpid(pid_, &status, WNOHANG) == pid_) {
                    status_ = status;
                }
                return status_.has_value();
            },
            limit);
        return status_;
    }

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// Whether a socket listens at the abstract address `address`: the kernel's table of local sockets
// shows it with '@' for its leading zero, on a line with the listening flag 00010000.
bool PipeListening(const std::string& address) {
    const std::string table = vorn::test::ReadFileBytes("/proc/net/unix");
    const std::size_t end = table.find("@" + address + "\n");
    const std::size_t start = table.rfind('\n', end) + 1;
    return end != std::string::npos && table.find(" 00010000 ", start) < end;
}

std::string RunCommand(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            out += buffer;
        }
        ::pclose(pipe);
    }
    return out;
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
        // The simulator listens first; the agent the program starts finds the name taken and
        // ends, so this one sees every request.
        agent_.emplace(kBin / "AgentZelt", std::vector<std::string>{"--idle", "--devices", "2",
                                                                    "--record", record_.string()});
        ASSERT_GT(agent_->pid(), 0);
        ASSERT_TRUE(WaitFor([&] {
            return PipeListening(ns_.name() + std::string(vorn::kRequestPipeName));
        })) << "the simulator never listened";
        ASSERT_TRUE(agent_->running());
    }
    void TearDown() override {
        if (agent_ && agent_->running()) {
            ::kill(agent_->pid(), SIGTERM);
            agent_->Wait(5s);
        }
    }

    std::vector<std::string> Requests() const {
        std::vector<std::string> lines;
        std::string text = vorn::test::ReadFileBytes(record_);
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t nl = text.find('\n', pos);
            if (nl == std::string::npos) {
                break;  // a line still being written
            }
            lines.push_back(text.substr(pos, nl - pos));
            pos = nl + 1;
        }
        return lines;
    }
    int Count(const std::string& request) const {
        int n = 0;
        for (const auto& line : Requests()) {
            n += line == request ? 1 : 0;
        }
        return n;
    }
    bool WaitForRequest(const std::string& request, int count, std::chrono::milliseconds limit) {
        return WaitFor([&] { return Count(request) >= count; }, limit);
    }
    std::unique_ptr<Process> StartProgram(const std::vector<std::string>& args = {}) {
        return std::make_unique<Process>(kBin / "Vorn_Update", args);
    }
    std::string WindowId() {
        std::string id;
        WaitFor(
            [&] {
                id =
                    RunCommand(std::string("xdotool search --name '^") + kTitle + "$' 2>/dev/null");
                return !id.empty();
            },
            10s);
        return id.substr(0, id.find('\n'));
    }
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::error_code ec;
        for (const auto& entry :
             fs::directory_iterator(data_.path() / "Quorin" / "Zelt" / "logs", ec)) {
            std::string text = vorn::test::ReadFileBytes(entry.path());
            std::size_t pos = 0;
            while (pos < text.size()) {
                std::size_t nl = text.find('\n', pos);
                nl = nl == std::string::npos ? text.size() : nl;
                lines.push_back(text.substr(pos, nl - pos));
                pos = nl + 1;
            }
        }
        return lines;
    }

    vorn::test::PrivatePipeNamespace ns_;
    vorn::test::TempDir registry_;
    vorn::test::TempDir data_;
    vorn::test::TempDir work_;
    vorn::test::ScopedEnv registryEnv_{"VORN_REGISTRY_DIR", registry_.path().string()};
    vorn::test::ScopedEnv dataEnv_{"VORN_DATA_DIR", (data_.path() / "Quorin" / "Zelt").string()};
    fs::path record_ = work_ / "requests.txt";
    std::optional<Process> agent_;
};

TEST_F(ProgramTest, StartAsksForDevicesAtOnceAndForTheRevisionThreeSecondsLater) {
    auto program = StartProgram();
    ASSERT_TRUE(WaitForRequest("<getalldevinfo/>", 1, 10s));
    auto devicesAt = Clock::now();
    ASSERT_TRUE(WaitForRequest("<get_actual_software_version/>", 1, 10s));
    auto revisionAt = Clock::now();
    // Not before its three seconds (a slow machine only makes it later).
    EXPECT_GE(revisionAt - devicesAt, 2500ms);
    std::this_thread::sleep_for(3500ms);
    EXPECT_EQ(Count("<getalldevinfo/>"), 1);
    EXPECT_EQ(Count("<get_actual_software_version/>"), 1);

    // The data folder was created with its missing parents, and the start was logged once.
    auto log = LogLines();
    int startRecords = 0;
    for (const auto& line : log) {
        startRecords += line.find("CUpdateCtrlApp::InitInstance() CreateMutex, the LastError: 0") !=
                                std::string::npos
                            ? 1
                            : 0;
    }
    EXPECT_EQ(startRecords, 1);

    // The agent the program started found the simulator in its place and ended: logged with
    // its exit status.
    ASSERT_TRUE(WaitFor(
        [&] {
            for (const auto& line : LogLines()) {
                if (line.find("The agent (process ") != std::string::npos &&
                    line.find(") exited with status ") != std::string::npos) {
                    return true;
                }
            }
            return false;
        },
        5s));
}

TEST_F(ProgramTest, TerminationSignalEndsCleanlyWithoutQuit) {
    auto program = StartProgram();
    ASSERT_TRUE(WaitForRequest("<getalldevinfo/>", 1, 10s));
    ASSERT_FALSE(WindowId().empty());
    ASSERT_EQ(::kill(program->pid(), SIGTERM), 0);
    auto status = program->Wait(10s);
    ASSERT_TRUE(status) << "still running after SIGTERM";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
    EXPECT_EQ(Count("<quit/>"), 0);
    // The window is gone with the process, and a new start is first again.
    EXPECT_TRUE(RunCommand(std::string("xdotool search --name '^") + kTitle + "$'").empty());
    auto again = StartProgram();
    EXPECT_TRUE(WaitForRequest("<getalldevinfo/>", 2, 10s));
    ::kill(again->pid(), SIGINT);
    status = again->Wait(10s);
    ASSERT_TRUE(status) << "still running after SIGINT";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
    EXPECT_EQ(Count("<quit/>"), 0);
}

TEST_F(ProgramTest, SecondStartBringsTheFirstWindowBackAndEndsWithoutRequests) {
    auto first = StartProgram();
    ASSERT_TRUE(WaitForRequest("<get_actual_software_version/>", 1, 10s));
    std::size_t logLines = LogLines().size();
    std::size_t before = Requests().size();

    auto second = StartProgram({"ENABLE_OTHERS"});
    auto status = second->Wait(10s);
    ASSERT_TRUE(status) << "the second start did not end";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);

    // Only the first instance asks, as it brings its window back; the second one asks nothing.
    ASSERT_TRUE(WaitForRequest("<get_actual_software_version/>", 2, 5s));
    std::this_thread::sleep_for(500ms);
    auto requests = Requests();
    ASSERT_EQ(requests.size(), before + 1);
    EXPECT_EQ(requests.back(), "<get_actual_software_version/>");
    EXPECT_EQ(Count("<getalldevinfo/>"), 1);
    EXPECT_EQ(LogLines().size(), logLines);
    EXPECT_TRUE(first->running());
    ::kill(first->pid(), SIGTERM);
    EXPECT_TRUE(first->Wait(10s));
}

TEST_F(ProgramTest, RefreshKeyAndExitKeyReachTheAgent) {
    auto program = StartProgram();
    ASSERT_TRUE(WaitForRequest("<getalldevinfo/>", 1, 10s));
    std::string window = WindowId();
    ASSERT_FALSE(window.empty());
    // A click on the first row selects it once the list is filled, which only the screen shows;
    // F5 then refreshes the selected device's connection. Until that request arrives, again.
    RunCommand("xdotool windowfocus --sync " + window);
    EXPECT_TRUE(WaitFor(
        [&] {
            RunCommand("xdotool mousemove --window " + window + " 300 44 click 1");
            RunCommand("xdotool key --clearmodifiers F5");
            return WaitForRequest("<update_connection id=\"1\" />", 1, 1s);
        },
        20s));

    RunCommand("xdotool key --clearmodifiers ctrl+q");
    auto status = program->Wait(10s);
    ASSERT_TRUE(status) << "Ctrl+Q did not end the program";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
    EXPECT_EQ(Count("<quit/>"), 1);
}

}  // namespace
