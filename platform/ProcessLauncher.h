#pragma once

// Starts companion programs (the agent, the updater) without waiting for them. The started
// processes outlive the program; while the program runs, a small reaper thread notices each one
// that ends (on Linux it also collects it, so no exited child lingers as a zombie) and reports
// how it ended.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ThisProcess.h"

namespace vorn::platform {

// How a started process ended.
struct ProcessExit {
    // Linux: `code` is the exit status (0 to 255) or, when `bySignal`, the signal's number.
    // Windows: `code` is the exit code, never by a signal.
    bool bySignal = false;
    std::uint32_t code = 0;
};

class ProcessLauncher {
public:
    ProcessLauncher();
    // Stops the reaper; the started processes keep running.
    ~ProcessLauncher();
    ProcessLauncher(const ProcessLauncher&) = delete;
    ProcessLauncher& operator=(const ProcessLauncher&) = delete;

    // The launcher of the running program.
    static ProcessLauncher& Instance();

    // Starts `program` with `args` after its name, in the program's environment and working
    // folder, without handing it the program's handles or descriptors (Linux: beyond stdin,
    // stdout and stderr, in a session of its own with default signal handling; Windows:
    // CreateProcessW with the program as application name and a command line only when there
    // are arguments). Returns the process id, or kNoProcess with `error` set to the system's
    // error number (errno, GetLastError).
    ProcessId Start(const std::filesystem::path& program, const std::vector<std::string>& args = {},
                    int* error = nullptr);

    // Started processes that have not ended (or not been collected) yet.
    std::size_t RunningChildren() const;

    // Called on the reaper's thread for each started process that ends, with the program it
    // runs, its id and how it ended. Setting a new handler (or none) waits for a call in
    // progress, so that what the handler uses may go away afterwards.
    using ExitHandler =
        std::function<void(const std::filesystem::path& program, ProcessId pid, ProcessExit exit)>;
    void SetExitHandler(ExitHandler handler);

private:
    struct Reaper;
    std::unique_ptr<Reaper> reaper_;
};

}  // namespace vorn::platform
