#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vorn::test {

// A program the test starts and ends: not waited for until asked, and never left running.
class ChildProcess {
public:
    // Starts `program` (on Windows ".exe" is added to a name without extension) with `args`; its
    // standard output and error go to `output`, its standard input comes from `input`, when
    // given. See started().
    ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                 const std::filesystem::path& output = {}, const std::filesystem::path& input = {});
    // Ends it when it still runs.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return started_; }
    std::int64_t id() const { return id_; }

    // Asks it to end as an operator would (SIGTERM; Ctrl+Break on Windows), then waits as
    // WaitExit does.
    int Terminate(std::chrono::milliseconds limit = std::chrono::seconds(10));

    // The exit code once it ends by itself (128 + the signal for one a signal ended); -1 when it
    // did not end within the bound, after which it is killed.
    int WaitExit(std::chrono::milliseconds limit = std::chrono::seconds(10));

private:
    bool started_ = false;
    std::int64_t id_ = -1;
    void* handle_ = nullptr;  // the process handle on Windows
};

}  // namespace vorn::test
