#pragma once

// Local message pipes between our processes: Unix-domain SOCK_SEQPACKET sockets in the
// abstract namespace. One record on the socket is one message, so nothing here frames or
// parses; callers above know what the bytes mean.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vorn::platform {

using Clock = std::chrono::steady_clock;
using Deadline = Clock::time_point;

// The largest record we accept from a peer. A sender can push records of a few hundred
// kilobytes through the socket; anything beyond this is refused rather than allocated.
inline constexpr std::size_t kMaxRecordBytes = 1024 * 1024;

// Socket address of a pipe name: a NUL byte, the value of VORN_PIPE_NS, then the name.
std::string PipeAddress(std::string_view name);

enum class PipeStatus {
    Ok,
    NotFound,      // nobody listens on the address
    AddressInUse,  // another process already listens there
    TimedOut,      // the deadline passed (listener busy, or no answer)
    Stopped,       // the stop signal was raised while waiting
    Closed,        // the peer went away without sending a record
    TooLarge,      // the record exceeds the limit
    Failed,        // any other system error
};

const char* ToString(PipeStatus status);

// Owns a file descriptor and closes it once.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release();
    void reset(int fd = -1);

private:
    int fd_ = -1;
};

// A level-triggered wake-up for threads blocked in the waits below (an eventfd). Signal()
// may be called from any thread; the signal stays raised until Clear().
class StopSignal {
public:
    StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    void Signal();
    void Clear();
    bool IsSignalled() const;
    int fd() const { return fd_.get(); }

private:
    UniqueFd fd_;
};

enum class WaitResult { Ready, Stopped, TimedOut, Failed };

// Blocks until `fd` is readable (or hung up), the stop signal is raised or the deadline
// passes. Without a deadline it waits for ever; nothing wakes it periodically.
WaitResult WaitReadable(int fd, const StopSignal* stop, std::optional<Deadline> deadline);

// Connects to a listening pipe. A missing listener fails at once with NotFound; a listener
// whose queue is full is retried until the deadline.
UniqueFd ConnectPipe(std::string_view name, Deadline deadline, PipeStatus* status = nullptr);

// Sends `bytes` as one record (an empty record is allowed). The send buffer is raised for
// large records. Never raises SIGPIPE.
PipeStatus SendRecord(int fd, std::string_view bytes, std::optional<Deadline> deadline = {});

// Receives one whole record into `out` (replacing its content), waiting as WaitReadable does.
// The record's size is asked of the socket before reading, so nothing is cut off; records
// larger than `maxBytes` are discarded and reported as TooLarge.
PipeStatus ReceiveRecord(int fd, std::string& out, std::optional<Deadline> deadline,
                         const StopSignal* stop = nullptr, std::size_t maxBytes = kMaxRecordBytes);

// One call: connect, send the request, receive one reply, close. The whole call is bounded
// by `timeout`. `reply` is emptied first and filled only on success.
PipeStatus CallPipe(std::string_view name, std::string_view request, std::string& reply,
                    std::chrono::milliseconds timeout, std::size_t maxReplyBytes = kMaxRecordBytes);

// The server end: listens on a pipe name for as long as the object lives.
class PipeListener {
public:
    PipeListener() = default;
    // Binds and listens. AddressInUse when another process holds the name.
    static PipeListener Listen(std::string_view name, PipeStatus* status = nullptr);

    bool IsListening() const { return static_cast<bool>(fd_); }
    int fd() const { return fd_.get(); }

    // Waits for a client connection, the stop signal or the deadline, and accepts the
    // connection when there is one. Returns an empty UniqueFd otherwise; `result` says why.
    UniqueFd Accept(const StopSignal* stop, std::optional<Deadline> deadline,
                    WaitResult* result = nullptr);

    void Close() { fd_.reset(); }

private:
    UniqueFd fd_;
};

// The process id of the peer of a connected socket, or -1.
int PeerProcessId(int fd);

}  // namespace vorn::platform
