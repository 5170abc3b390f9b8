#pragma once

// A level-triggered wake-up for threads that wait on the system: an eventfd on Linux, a
// manual-reset event on Windows, so that a wait on it combines with a wait on pipes or folders.

#include <chrono>

namespace vorn::platform {

// The system's own handle type: a file descriptor on Linux, a HANDLE on Windows.
#if defined(_WIN32)
using NativeHandle = void*;
#else
using NativeHandle = int;
#endif

// Signal() may be called from any thread; the signal stays raised until Clear().
class StopSignal {
public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    void Signal();
    void Clear();
    bool IsSignalled() const;
    // Waits until the signal is raised (true) or `timeout` has passed (false).
    bool WaitFor(std::chrono::milliseconds timeout) const;
    // Readable (Linux) or signalled (Windows) while the signal is raised.
    NativeHandle native() const { return handle_; }

private:
    NativeHandle handle_;
};

}  // namespace vorn::platform
