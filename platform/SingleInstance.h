#pragma once

// One program instance per machine. The first instance holds a system-wide name for its whole
// life; a later start finds the name taken, asks the first one to bring back its window (found
// by title), and ends. The name vanishes with the process that held it, so a crashed instance
// never blocks the next start.

#include <functional>
#include <memory>
#include <string>

namespace vorn::platform {

inline constexpr const char* kSingleInstanceName = "Global\\UpdateCtrlZelt";

class SingleInstance {
public:
    enum class Role {
        First,      // this process holds the name
        Second,     // another process holds it
        Unguarded,  // the name could not be taken for another reason; run without the guard
    };

    // Takes the name, with VORN_PIPE_NS put in front of it (on Windows behind the "Global\"
    // prefix) so that test runs never meet.
    explicit SingleInstance(std::string name = kSingleInstanceName);
    // Stops serving and gives the name back.
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    Role role() const { return role_; }
    // 0 when the name was taken; otherwise the system's error (for a second start EADDRINUSE on
    // Linux, ERROR_ALREADY_EXISTS on Windows).
    int lastError() const { return lastError_; }

    // First instance: handles each activation request on a worker thread, with the window title
    // the other start looks for. Requests larger than a title or slower than a second are
    // dropped. Where the system delivers the request to the window itself (Windows), there is
    // nothing to serve and the handler is not called.
    void ServeActivations(std::function<void(const std::wstring& title)> handler);
    void Stop();

    // Second instance: asks the first one to bring back its window titled `title`. True when the
    // request was delivered.
    bool SendActivation(const std::wstring& title) const;

private:
    struct State;
    std::string name_;
    Role role_ = Role::Unguarded;
    int lastError_ = 0;
    std::unique_ptr<State> state_;
};

}  // namespace vorn::platform
