#pragma once

// The Linux side of the local pipes, for platform/linux code and Linux-only tests: socket
// addresses, descriptor waits, record sockets and peer credentials. Code above platform/ uses
// platform/LocalPipe.h only.

#include <optional>
#include <string>
#include <string_view>

#include "platform/LocalPipe.h"

namespace vorn::platform {

// Any file descriptor, owned and closed once.
using UniqueFd = PipeHandle;

inline constexpr std::size_t kMaxRecordBytes = kMaxMessageBytes;

enum class PipeKind {
    Stream,   // SOCK_STREAM, a message ends where its writer shuts down sending
    Records,  // SOCK_SEQPACKET, a message is one record
};

// Socket address of a pipe name: a NUL byte, the value of VORN_PIPE_NS, then the name.
std::string PipeAddress(std::string_view name);

// Blocks until `fd` is readable (or hung up), the stop signal is raised or the deadline
// passes. Without a deadline it waits for ever; nothing wakes it periodically.
WaitResult WaitReadable(int fd, const StopSignal* stop, std::optional<Deadline> deadline);

// ConnectPipe and PipeListener::Listen for either kind of socket. SendRecord and ReceiveRecord
// look at the socket and frame accordingly: a record socket sends one record (raising the send
// buffer for large ones) and receives one record, its size asked of the socket first. On a
// stream socket a message ends where its writer shuts down sending: CallPipe's peer that read
// the whole request and closed without writing gave an empty reply, one that left before
// reading it all reset the connection (Closed).
UniqueFd ConnectPipe(std::string_view name, Deadline deadline, PipeStatus* status, PipeKind kind);
PipeListener ListenPipe(std::string_view name, PipeStatus* status, PipeKind kind);

// The process id of the peer of a connected socket, or -1.
int PeerProcessId(int fd);

// Who is at the other end of a connected socket, as the kernel recorded it at connect time.
struct PeerIdentity {
    int pid = -1;
    unsigned uid = 0;
};
std::optional<PeerIdentity> PeerOf(int fd);

}  // namespace vorn::platform
