#pragma once

// Local message pipes between our processes: Unix-domain sockets in the abstract namespace.
// Two kinds: a stream pipe carries one message per direction of a connection, ended by the
// writer shutting down its sending side, so a message has no length limit but the reader's
// cap; a record pipe (SOCK_SEQPACKET) carries whole records of a few hundred kilobytes at most.
// The functions below look at the socket and frame accordingly; nothing here parses, callers
// above know what the bytes mean.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/StopSignal.h"

namespace vorn::platform {

using Clock = std::chrono::steady_clock;
using Deadline = Clock::time_point;

// The largest message a reader accepts from a peer; anything beyond is refused (and counted)
// rather than allocated.
inline constexpr std::size_t kMaxMessageBytes = 64 * 1024 * 1024;
inline constexpr std::size_t kMaxRecordBytes = kMaxMessageBytes;

// How much of a refused message's beginning a reader keeps, so that the caller can tell what
// it was.
inline constexpr std::size_t kRefusedHeadBytes = 512;

enum class PipeKind {
    Stream,   // SOCK_STREAM, a message ends where its writer shuts down sending
    Records,  // SOCK_SEQPACKET, a message is one record
};

// Socket address of a pipe name: a NUL byte, the value of VORN_PIPE_NS, then the name.
std::string PipeAddress(std::string_view name);

enum class PipeStatus {
    Ok,
    NotFound,      // nobody listens on the address
    AddressInUse,  // another process already listens there
    TimedOut,      // the deadline passed (listener busy, or no answer)
    Stopped,       // the stop signal was raised while waiting
    Closed,        // the peer went away without sending a message, or reset the connection
    TooLarge,      // the message exceeds the limit
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

enum class WaitResult { Ready, Stopped, TimedOut, Failed };

// Blocks until `fd` is readable (or hung up), the stop signal is raised or the deadline
// passes. Without a deadline it waits for ever; nothing wakes it periodically.
WaitResult WaitReadable(int fd, const StopSignal* stop, std::optional<Deadline> deadline);

// Connects to a listening pipe. A missing listener fails at once with NotFound; a listener
// whose queue is full is retried until the deadline.
UniqueFd ConnectPipe(std::string_view name, Deadline deadline, PipeStatus* status = nullptr,
                     PipeKind kind = PipeKind::Stream);

// Sends `bytes` as one message (an empty one is allowed). On a stream pipe it writes them all
// and then shuts down sending, which ends the message; on a record pipe it sends one record,
// raising the send buffer for large ones. Never raises SIGPIPE.
PipeStatus SendRecord(int fd, std::string_view bytes, std::optional<Deadline> deadline = {});

// Receives one whole message into `out` (replacing its content), waiting as WaitReadable does:
// on a stream pipe everything up to the end of the stream, on a record pipe one record (its
// size is asked of the socket first, so nothing is cut off). A message larger than `maxBytes`
// is reported as TooLarge; `out` then keeps its first kRefusedHeadBytes. `messageBytes`, when
// given, receives the message's size (for a refused stream message, as far as it was read
// before the deadline).
PipeStatus ReceiveRecord(int fd, std::string& out, std::optional<Deadline> deadline,
                         const StopSignal* stop = nullptr, std::size_t maxBytes = kMaxMessageBytes,
                         std::size_t* messageBytes = nullptr);

// One call on a stream pipe: connect, send the request and shut down sending, receive the
// reply up to the end of the stream, close. The whole call is bounded by `timeout`. A peer
// that read the whole request and closed without writing gave an empty reply; one that left
// before reading it all reset the connection (Closed). `reply` is emptied first and filled
// only on success.
PipeStatus CallPipe(std::string_view name, std::string_view request, std::string& reply,
                    std::chrono::milliseconds timeout, std::size_t maxReplyBytes = kMaxMessageBytes,
                    std::size_t* replyBytes = nullptr);

// The server end: listens on a pipe name for as long as the object lives.
class PipeListener {
public:
    PipeListener() = default;
    // Binds and listens. AddressInUse when another process holds the name.
    static PipeListener Listen(std::string_view name, PipeStatus* status = nullptr,
                               PipeKind kind = PipeKind::Stream);

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

// Who is at the other end of a connected socket, as the kernel recorded it at connect time.
struct PeerIdentity {
    int pid = -1;
    unsigned uid = 0;
};
std::optional<PeerIdentity> PeerOf(int fd);

}  // namespace vorn::platform
