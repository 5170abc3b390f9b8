#include "support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "platform/ThisProcess.h"
#include "support/TestEnvironment.h"

extern char** environ;

namespace vorn::test {

ChildProcess::ChildProcess(const std::filesystem::path& program,
                           const std::vector<std::string>& args,
                           const std::filesystem::path& output,
                           const std::filesystem::path& input) {
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!output.empty()) {
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    if (!input.empty()) {
        posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
    }
    pid_t pid = -1;
    started_ = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    id_ = started_ ? pid : -1;
}

ChildProcess::~ChildProcess() {
    if (id_ > 0) {
        Terminate();
    }
}

int ChildProcess::Terminate(std::chrono::milliseconds limit) {
    if (id_ <= 0) {
        return -1;
    }
    platform::RequestTermination(id_);
    return WaitExit(limit);
}

int ChildProcess::WaitExit(std::chrono::milliseconds limit) {
    if (id_ <= 0) {
        return -1;
    }
    const auto pid = static_cast<pid_t>(id_);
    int status = 0;
    if (WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, limit)) {
        id_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    ::kill(pid, SIGKILL);  // only a hung program of the test's own making
    ::waitpid(pid, &status, 0);
    id_ = -1;
    return -1;
}

}  // namespace vorn::test
