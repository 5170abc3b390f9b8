#include "platform/ProcessLauncher.h"

#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <mutex>
#include <thread>

#include "platform/linux/LocalSocket.h"

extern char** environ;

namespace vorn::platform {

namespace {

int OpenProcessFd(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

// Kernels without process descriptors: children are looked at this often instead.
constexpr int kFallbackPollMs = 500;

}  // namespace

struct ProcessLauncher::Reaper {
    struct Child {
        pid_t pid;
        UniqueFd fd;  // empty without process descriptors
        std::filesystem::path program;
    };
    struct Ended {
        std::filesystem::path program;
        pid_t pid;
        int status;
    };

    mutable std::mutex mutex;
    std::vector<Child> children;
    StopSignal wake;
    bool stopping = false;
    std::thread thread;
    // Held while the exit handler runs; separate from `mutex` so that the handler may ask the
    // launcher anything.
    std::mutex handlerMutex;
    ExitHandler exitHandler;

    void Add(pid_t pid, const std::filesystem::path& program) {
        std::lock_guard lock(mutex);
        children.push_back({pid, UniqueFd(OpenProcessFd(pid)), program});
        if (!thread.joinable()) {
            thread = std::thread([this] { Run(); });
        }
        wake.Signal();
    }

    void Stop() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        wake.Signal();
        if (thread.joinable()) {
            thread.join();
        }
    }

    // Collects the children that have ended; true when any of them has no descriptor to wait on.
    bool Collect() {
        std::vector<Ended> ended;
        bool needsPolling = false;
        {
            std::lock_guard lock(mutex);
            for (auto it = children.begin(); it != children.end();) {
                int status = 0;
                const pid_t result = ::waitpid(it->pid, &status, WNOHANG);
                if (result != 0) {
                    if (result == it->pid) {
                        ended.push_back({it->program, it->pid, status});
                    }
                    it = children.erase(it);  // ended, or no longer ours to wait for
                    continue;
                }
                needsPolling = needsPolling || !it->fd;
                ++it;
            }
        }
        if (!ended.empty()) {
            std::lock_guard lock(handlerMutex);
            for (const Ended& child : ended) {
                if (exitHandler) {
                    exitHandler(child.program, child.pid, child.status);
                }
            }
        }
        return needsPolling;
    }

    void Run() {
        while (true) {
            bool needsPolling = Collect();
            std::vector<pollfd> fds;
            {
                std::lock_guard lock(mutex);
                if (stopping) {
                    return;
                }
                wake.Clear();
                fds.push_back({wake.native(), POLLIN, 0});
                for (const auto& child : children) {
                    if (child.fd) {
                        fds.push_back({child.fd.get(), POLLIN, 0});
                    }
                }
            }
            int rc = ::poll(fds.data(), fds.size(), needsPolling ? kFallbackPollMs : -1);
            if (rc < 0 && errno != EINTR) {
                return;
            }
        }
    }
};

ProcessLauncher::ProcessLauncher() : reaper_(std::make_unique<Reaper>()) {}

ProcessLauncher::~ProcessLauncher() {
    reaper_->Stop();
}

ProcessLauncher& ProcessLauncher::Instance() {
    static ProcessLauncher launcher;
    return launcher;
}

pid_t ProcessLauncher::Start(const std::filesystem::path& program,
                             const std::vector<std::string>& args, int* error) {
    std::vector<std::string> argvStrings;
    argvStrings.push_back(program.string());
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& s : argvStrings) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);

    posix_spawnattr_t attr;
    posix_spawn_file_actions_t actions;
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_init(&actions);
    // The program may block or ignore signals for its own handling; the child starts clean.
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    // A session of its own: a Ctrl+C in the program's terminal does not reach the agent.
    posix_spawnattr_setflags(&attr,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    pid_t pid = -1;
    int rc =
        ::posix_spawn(&pid, argvStrings.front().c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        if (error != nullptr) {
            *error = rc;
        }
        return -1;
    }
    if (error != nullptr) {
        *error = 0;
    }
    reaper_->Add(pid, program);
    return pid;
}

void ProcessLauncher::SetExitHandler(ExitHandler handler) {
    std::lock_guard lock(reaper_->handlerMutex);
    reaper_->exitHandler = std::move(handler);
}

std::size_t ProcessLauncher::RunningChildren() const {
    std::lock_guard lock(reaper_->mutex);
    return reaper_->children.size();
}

}  // namespace vorn::platform
