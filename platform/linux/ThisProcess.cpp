#include "platform/ThisProcess.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

namespace vorn::platform {

ProcessId CurrentProcessId() {
    return ::getpid();
}

std::uint64_t CurrentThreadId() {
    return static_cast<std::uint64_t>(::gettid());
}

void LowerCurrentThreadPriority() {
    // On Linux the nice value of a thread id applies to that thread alone.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 5);
}

namespace {

sigset_t TerminationSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    return signals;
}

}  // namespace

void TakeTerminationRequests() {
    // Blocked in every thread started afterwards, taken by sigwait below; a parent may have left
    // them ignored, which would keep them from ever arriving.
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    const sigset_t signals = TerminationSignals();
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    return arguments;
}

void UseBinaryStandardStreams() {}

bool RequestTermination(ProcessId process) {
    return process > 0 && ::kill(static_cast<pid_t>(process), SIGTERM) == 0;
}

void WaitForTerminationRequest() {
    const sigset_t signals = TerminationSignals();
    int received = 0;
    ::sigwait(&signals, &received);
}

}  // namespace vorn::platform
