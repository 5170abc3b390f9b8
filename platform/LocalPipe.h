#pragma once

// Local message pipes between our processes. A pipe has a name; VORN_PIPE_NS, when set, is put
// in front of it so that test runs never meet. One connection carries one request message and
// one reply message; nothing here parses, callers above know what the bytes mean.
//
// On Linux a pipe is a Unix-domain stream socket in the abstract namespace, and a message ends
// where its writer shuts down its sending side. On Windows it is a named pipe
// \\.\pipe\<namespace><name> in message mode, and a message is what one write put in.

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

// How much of a refused message's beginning a reader keeps, so that the caller can tell what
// it was.
inline constexpr std::size_t kRefusedHeadBytes = 512;

enum class PipeStatus {
    Ok,
    NotFound,      // nobody listens on the name
    AddressInUse,  // another process already listens there
    TimedOut,      // the deadline passed (listener busy, or no answer)
    Stopped,       // the stop signal was raised while waiting
    Closed,        // the peer went away without sending a message, or reset the connection
    TooLarge,      // the message exceeds the limit
    Failed,        // any other system error
};

const char* ToString(PipeStatus status);

// The value of a handle that holds nothing.
#if defined(_WIN32)
inline constexpr NativeHandle kNoHandle = nullptr;
#else
inline constexpr NativeHandle kNoHandle = -1;
#endif

// Owns one end of a pipe (or, on Linux, any file descriptor) and closes it once.
class PipeHandle {
public:
    PipeHandle() = default;
    // Takes over `handle`; the system's "invalid" values count as empty.
    explicit PipeHandle(NativeHandle handle);
    ~PipeHandle() { reset(); }
    PipeHandle(PipeHandle&& other) noexcept : handle_(other.release()) {}
    PipeHandle& operator=(PipeHandle&& other) noexcept;
    PipeHandle(const PipeHandle&) = delete;
    PipeHandle& operator=(const PipeHandle&) = delete;

    NativeHandle get() const { return handle_; }
    explicit operator bool() const { return handle_ != kNoHandle; }
    NativeHandle release();
    void reset(NativeHandle handle = kNoHandle);

private:
    NativeHandle handle_ = kNoHandle;
};

enum class WaitResult { Ready, Stopped, TimedOut, Failed };

// Connects to a listening pipe. A missing listener fails at once with NotFound; a listener
// that has no free instance (all busy with other clients) is waited for until the deadline.
PipeHandle ConnectPipe(std::string_view name, Deadline deadline, PipeStatus* status = nullptr);

// Sends `bytes` as one message (an empty one is allowed). Never raises SIGPIPE.
PipeStatus SendRecord(NativeHandle pipe, std::string_view bytes,
                      std::optional<Deadline> deadline = {});

// Receives one whole message into `out` (replacing its content), until the message ends, the
// stop signal is raised or the deadline passes (without a deadline it waits for ever). A
// message larger than `maxBytes` is read on and counted but reported as TooLarge; `out` then
// keeps its first kRefusedHeadBytes. `messageBytes`, when given, receives the message's size
// (for a refused message, as far as it was read before the deadline).
PipeStatus ReceiveRecord(NativeHandle pipe, std::string& out, std::optional<Deadline> deadline,
                         const StopSignal* stop = nullptr, std::size_t maxBytes = kMaxMessageBytes,
                         std::size_t* messageBytes = nullptr);

// One call: connect (NotFound at once without a listener, waiting for a free instance while all
// are busy), send the request, receive the reply whole, close. The whole call is bounded by
// `timeout`. `reply` is emptied first and filled only on success; a reply over `maxReplyBytes`
// is TooLarge, with its size so far in `replyBytes`.
PipeStatus CallPipe(std::string_view name, std::string_view request, std::string& reply,
                    std::chrono::milliseconds timeout, std::size_t maxReplyBytes = kMaxMessageBytes,
                    std::size_t* replyBytes = nullptr);

// The server end: serves a pipe name for as long as the object lives.
class PipeListener {
public:
    PipeListener() = default;
    // Takes over a listening end: a listening socket on Linux, the first pipe instance of
    // `name` on Windows (new instances are made under that name).
    PipeListener(PipeHandle listening, std::string name);

    // Starts serving the name. AddressInUse when another process holds it.
    static PipeListener Listen(std::string_view name, PipeStatus* status = nullptr);

    bool IsListening() const { return static_cast<bool>(handle_); }
    // The listening socket (Linux) or the instance waiting for the next client (Windows).
    NativeHandle native() const { return handle_.get(); }

    // Waits for a client connection, the stop signal or the deadline, and returns the connected
    // end when there is one (on Windows a new instance then waits for the next client). Returns
    // an empty handle otherwise; `result` says why.
    PipeHandle Accept(const StopSignal* stop, std::optional<Deadline> deadline,
                      WaitResult* result = nullptr);

    void Close() { handle_.reset(); }

private:
    PipeHandle handle_;
    std::string name_;
};

}  // namespace vorn::platform
