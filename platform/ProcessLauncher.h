#pragma once

// Starts companion programs (the agent, the updater) without waiting for them. The started
// processes outlive the program; while the program runs, each one that ends is collected by a
// small reaper thread, so no exited child lingers as a zombie.

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vorn::platform {

class ProcessLauncher {
public:
    ProcessLauncher();
    // Stops the reaper; the started processes keep running.
    ~ProcessLauncher();
    ProcessLauncher(const ProcessLauncher&) = delete;
    ProcessLauncher& operator=(const ProcessLauncher&) = delete;

    // The launcher of the running program.
    static ProcessLauncher& Instance();

    // Starts `program` with `args` after its name, in a session of its own, with default signal
    // handling and no descriptors beyond stdin, stdout and stderr. Returns the process id, or -1
    // with `error` set.
    pid_t Start(const std::filesystem::path& program, const std::vector<std::string>& args = {},
                int* error = nullptr);

    // Started processes that have not been collected yet.
    std::size_t RunningChildren() const;

    // Called on the reaper's thread for each started process that ends, with the program it
    // runs, its id and its wait status. Setting a new handler (or none) waits for a call in
    // progress, so that what the handler uses may go away afterwards.
    using ExitHandler =
        std::function<void(const std::filesystem::path& program, pid_t pid, int status)>;
    void SetExitHandler(ExitHandler handler);

private:
    struct Reaper;
    std::unique_ptr<Reaper> reaper_;
};

}  // namespace vorn::platform
