#pragma once

// One program instance per machine. The first instance holds a listening pipe under a fixed
// name for its whole life; a later start finds the name taken, sends the first one the title of
// the window it wants back, and ends. The name vanishes with the process that held it, so a
// crashed instance never blocks the next start.

#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/LocalPipe.h"

namespace vorn::platform {

inline constexpr const char* kSingleInstanceName = "Global\\UpdateCtrlZelt";

class SingleInstance {
public:
    enum class Role {
        First,      // this process holds the name
        Second,     // another process holds it
        Unguarded,  // the name could not be taken for another reason; run without the guard
    };

    explicit SingleInstance(std::string name = kSingleInstanceName);
    // Stops serving and gives the name back.
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    Role role() const { return role_; }
    // 0 when the name was taken; otherwise the system's error (EADDRINUSE for a second start).
    int lastError() const { return lastError_; }

    // First instance: handles each activation request on a worker thread, with the window title
    // the other start looks for. Requests larger than a title or slower than a second are
    // dropped.
    void ServeActivations(std::function<void(const std::wstring& title)> handler);
    void Stop();

    // Second instance: asks the first one for its window. True when the request was delivered.
    bool SendActivation(const std::wstring& title) const;

private:
    std::string name_;
    Role role_ = Role::Unguarded;
    int lastError_ = 0;
    PipeListener listener_;
    StopSignal stop_;
    std::thread worker_;
};

}  // namespace vorn::platform
