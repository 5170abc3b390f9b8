#include "platform/LocalPipe.h"
#include "platform/ReceiveVerdict.h"

#include "platform/linux/LocalSocket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace vorn::platform {
namespace {

// sockaddr_un for an abstract address; the returned length counts only the bytes used, since
// abstract names are not NUL-terminated.
bool MakeAddress(std::string_view name, sockaddr_un& addr, socklen_t& length) {
    const std::string path = PipeAddress(name);
    if (path.size() > sizeof(addr.sun_path)) {
        return false;
    }
    std::memset(&addr, 0, sizeof(addr));
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.data(), path.size());
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size());
    return true;
}

int RemainingMs(std::optional<Deadline> deadline) {
    if (!deadline) {
        return -1;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now()).count();
    if (left <= 0) {
        return 0;
    }
    // Round up so that a wait never ends a fraction of a millisecond early.
    return static_cast<int>(std::min<long long>(left + 1, 1 << 30));
}

UniqueFd NewSocket(PipeKind kind) {
    const int type = kind == PipeKind::Stream ? SOCK_STREAM : SOCK_SEQPACKET;
    return UniqueFd(socket(AF_UNIX, type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
}

bool IsStream(int fd) {
    int type = 0;
    socklen_t length = sizeof(type);
    return ::getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) == 0 && type == SOCK_STREAM;
}

// Waits until `fd` takes more bytes or the deadline passes.
PipeStatus WaitWritable(int fd, std::optional<Deadline> deadline) {
    for (;;) {
        pollfd p{fd, POLLOUT, 0};
        const int rc = ::poll(&p, 1, RemainingMs(deadline));
        if (rc > 0) {
            return PipeStatus::Ok;
        }
        if (rc == 0) {
            return PipeStatus::TimedOut;
        }
        if (errno != EINTR) {
            return PipeStatus::Failed;
        }
    }
}

PipeStatus SendStream(int fd, std::string_view bytes, std::optional<Deadline> deadline) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent =
            ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            done += static_cast<std::size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent < 0 && (errno == EPIPE || errno == ECONNRESET)) {
            return PipeStatus::Closed;
        }
        if (sent < 0 && errno != EAGAIN) {
            return PipeStatus::Failed;
        }
        if (const PipeStatus waited = WaitWritable(fd, deadline); waited != PipeStatus::Ok) {
            return waited;
        }
    }
    // The end of our sending side is the end of the message.
    if (::shutdown(fd, SHUT_WR) != 0) {
        return errno == ENOTCONN ? PipeStatus::Closed : PipeStatus::Failed;
    }
    return PipeStatus::Ok;
}

PipeStatus ReceiveStream(int fd, std::string& out, std::optional<Deadline> deadline,
                         const StopSignal* stop, std::size_t maxBytes, std::size_t* messageBytes) {
    std::size_t total = 0;
    bool refused = false;
    auto finish = [&](PipeStatus status) {
        return detail::FinishReceive(status, out, refused, total, messageBytes);
    };
    // Read through a buffer of our own and append: the string then grows only by what arrived,
    // never to twice a message that filled it exactly.
    std::array<char, 64 * 1024> chunk;
    for (;;) {
        const ssize_t got = ::recv(fd, chunk.data(), chunk.size(), MSG_DONTWAIT);
        if (got > 0) {
            total += static_cast<std::size_t>(got);
            // Past the cap the rest is only counted, so that the refusal can say how large it was.
            if (!refused && total > maxBytes) {
                refused = true;
                const std::size_t room =
                    out.size() < kRefusedHeadBytes ? kRefusedHeadBytes - out.size() : 0;
                out.append(chunk.data(), std::min(room, static_cast<std::size_t>(got)));
                out.resize(std::min(out.size(), kRefusedHeadBytes));
                out.shrink_to_fit();
            } else if (!refused) {
                out.append(chunk.data(), static_cast<std::size_t>(got));
            }
            continue;
        }
        if (got == 0) {
            return finish(PipeStatus::Ok);
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN) {
            return finish(errno == ECONNRESET || errno == EPIPE ? PipeStatus::Closed
                                                                : PipeStatus::Failed);
        }
        switch (WaitReadable(fd, stop, deadline)) {
            case WaitResult::Ready:
                break;
            case WaitResult::Stopped:
                return finish(PipeStatus::Stopped);
            case WaitResult::TimedOut:
                return finish(PipeStatus::TimedOut);
            case WaitResult::Failed:
                return finish(PipeStatus::Failed);
        }
    }
}

}  // namespace

std::string PipeAddress(std::string_view name) {
    std::string address(1, '\0');
    if (const char* ns = std::getenv("VORN_PIPE_NS")) {
        address += ns;
    }
    address += name;
    return address;
}

PipeHandle::PipeHandle(NativeHandle handle) : handle_(handle < 0 ? kNoHandle : handle) {}

void PipeHandle::reset(NativeHandle handle) {
    if (handle_ >= 0) {
        ::close(handle_);
    }
    handle_ = handle < 0 ? kNoHandle : handle;
}

WaitResult WaitReadable(int fd, const StopSignal* stop, std::optional<Deadline> deadline) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {stop ? stop->native() : -1, POLLIN, 0}};
    const nfds_t count = stop ? 2 : 1;
    for (;;) {
        const int rc = ::poll(fds, count, RemainingMs(deadline));
        if (rc < 0) {
            if (errno == EINTR) {
                continue;
            }
            return WaitResult::Failed;
        }
        if (stop && (fds[1].revents & POLLIN)) {
            return WaitResult::Stopped;
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            return WaitResult::Ready;
        }
        if (fds[0].revents & POLLNVAL) {
            return WaitResult::Failed;
        }
        if (rc == 0) {
            return WaitResult::TimedOut;
        }
    }
}

UniqueFd ConnectPipe(std::string_view name, Deadline deadline, PipeStatus* status) {
    return ConnectPipe(name, deadline, status, PipeKind::Stream);
}

UniqueFd ConnectPipe(std::string_view name, Deadline deadline, PipeStatus* status, PipeKind kind) {
    auto report = [status](PipeStatus s) {
        if (status) {
            *status = s;
        }
    };
    sockaddr_un addr{};
    socklen_t length = 0;
    if (!MakeAddress(name, addr, length)) {
        report(PipeStatus::Failed);
        return {};
    }
    for (;;) {
        UniqueFd fd = NewSocket(kind);
        if (!fd) {
            report(PipeStatus::Failed);
            return {};
        }
        if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&addr), length) == 0) {
            report(PipeStatus::Ok);
            return fd;
        }
        const int error = errno;
        if (error == ECONNREFUSED || error == ENOENT) {
            report(PipeStatus::NotFound);
            return {};
        }
        if (error != EAGAIN && error != EINTR) {
            report(PipeStatus::Failed);
            return {};
        }
        // The listener's queue is full: it is busy with other clients. Try again shortly.
        if (Clock::now() >= deadline) {
            report(PipeStatus::TimedOut);
            return {};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

PipeStatus SendRecord(NativeHandle fd, std::string_view bytes, std::optional<Deadline> deadline) {
    if (IsStream(fd)) {
        return SendStream(fd, bytes, deadline);
    }
    int buffer = 0;
    socklen_t optionLength = sizeof(buffer);
    if (::getsockopt(fd, SOL_SOCKET, SO_SNDBUF, &buffer, &optionLength) == 0 &&
        static_cast<std::size_t>(buffer) < bytes.size() + 4096) {
        int wanted = static_cast<int>(bytes.size() + 4096);
        // Raising past the system's cap silently stops at the cap; the send then tells.
        ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &wanted, sizeof(wanted));
    }
    for (;;) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0) {
            return static_cast<std::size_t>(sent) == bytes.size() ? PipeStatus::Ok
                                                                  : PipeStatus::Failed;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EMSGSIZE) {
            return PipeStatus::TooLarge;
        }
        if (errno == EPIPE || errno == ECONNRESET) {
            return PipeStatus::Closed;
        }
        if (errno != EAGAIN) {
            return PipeStatus::Failed;
        }
        pollfd p{fd, POLLOUT, 0};
        const int rc = ::poll(&p, 1, RemainingMs(deadline));
        if (rc == 0) {
            return PipeStatus::TimedOut;
        }
        if (rc < 0 && errno != EINTR) {
            return PipeStatus::Failed;
        }
    }
}

PipeStatus ReceiveRecord(NativeHandle fd, std::string& out, std::optional<Deadline> deadline,
                         const StopSignal* stop, std::size_t maxBytes, std::size_t* messageBytes) {
    out.clear();
    if (messageBytes) {
        *messageBytes = 0;
    }
    if (IsStream(fd)) {
        return ReceiveStream(fd, out, deadline, stop, maxBytes, messageBytes);
    }
    for (;;) {
        switch (WaitReadable(fd, stop, deadline)) {
            case WaitResult::Ready:
                break;
            case WaitResult::Stopped:
                return PipeStatus::Stopped;
            case WaitResult::TimedOut:
                return PipeStatus::TimedOut;
            case WaitResult::Failed:
                return PipeStatus::Failed;
        }
        // MSG_TRUNC with a zero-length peek returns the full size of the pending record.
        const ssize_t size = ::recv(fd, nullptr, 0, MSG_PEEK | MSG_TRUNC | MSG_DONTWAIT);
        if (size < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                continue;
            }
            return errno == ECONNRESET ? PipeStatus::Closed : PipeStatus::Failed;
        }
        if (size == 0) {
            // Either an empty record or the end of the connection, and both read as zero bytes;
            // a peer that sends an empty record and hangs up at once shows both signs. With
            // credential passing on, the kernel hands credentials out with every record, empty
            // ones included, and never with the end of the connection.
            const int on = 1;
            const bool marked = ::setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &on, sizeof(on)) == 0;
            pollfd p{fd, POLLRDHUP, 0};
            ::poll(&p, 1, 0);
            const bool hungUp = (p.revents & (POLLRDHUP | POLLHUP)) != 0;
            char dummy = 0;
            iovec part{&dummy, sizeof(dummy)};
            alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))];
            msghdr header{};
            header.msg_iov = &part;
            header.msg_iovlen = 1;
            header.msg_control = control;
            header.msg_controllen = sizeof(control);
            const ssize_t got = ::recvmsg(fd, &header, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
            if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
                continue;
            }
            if (got != 0) {
                return PipeStatus::Failed;
            }
            const bool record =
                marked ? (header.msg_controllen > 0 || (header.msg_flags & MSG_CTRUNC) != 0)
                       : !hungUp;
            return record ? PipeStatus::Ok : PipeStatus::Closed;
        }
        const auto length = static_cast<std::size_t>(size);
        if (messageBytes) {
            *messageBytes = length;
        }
        if (length > maxBytes) {
            char dummy = 0;
            ::recv(fd, &dummy, sizeof(dummy), MSG_DONTWAIT);  // drops the whole record
            return PipeStatus::TooLarge;
        }
        out.resize(length);
        const ssize_t got = ::recv(fd, out.data(), out.size(), MSG_DONTWAIT);
        if (got < 0 || static_cast<std::size_t>(got) != length) {
            out.clear();
            return PipeStatus::Failed;
        }
        return PipeStatus::Ok;
    }
}

PipeListener PipeListener::Listen(std::string_view name, PipeStatus* status) {
    return ListenPipe(name, status, PipeKind::Stream);
}

PipeListener ListenPipe(std::string_view name, PipeStatus* status, PipeKind kind) {
    auto report = [status](PipeStatus s) {
        if (status) {
            *status = s;
        }
    };
    PipeListener listener;
    sockaddr_un addr{};
    socklen_t length = 0;
    if (!MakeAddress(name, addr, length)) {
        report(PipeStatus::Failed);
        return listener;
    }
    UniqueFd fd = NewSocket(kind);
    if (!fd) {
        report(PipeStatus::Failed);
        return listener;
    }
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&addr), length) != 0) {
        report(errno == EADDRINUSE ? PipeStatus::AddressInUse : PipeStatus::Failed);
        return listener;
    }
    if (::listen(fd.get(), SOMAXCONN) != 0) {
        report(PipeStatus::Failed);
        return listener;
    }
    report(PipeStatus::Ok);
    return PipeListener(std::move(fd), std::string(name));
}

UniqueFd PipeListener::Accept(const StopSignal* stop, std::optional<Deadline> deadline,
                              WaitResult* result) {
    auto report = [result](WaitResult r) {
        if (result) {
            *result = r;
        }
    };
    if (!handle_) {
        report(WaitResult::Failed);
        return {};
    }
    for (;;) {
        const WaitResult waited = WaitReadable(handle_.get(), stop, deadline);
        if (waited != WaitResult::Ready) {
            report(waited);
            return {};
        }
        UniqueFd client(::accept4(handle_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (client) {
            report(WaitResult::Ready);
            return client;
        }
        // The client may have given up between the wake-up and the accept; wait again.
        if (errno != EAGAIN && errno != EINTR && errno != ECONNABORTED) {
            report(WaitResult::Failed);
            return {};
        }
    }
}

int PeerProcessId(int fd) {
    ucred credentials{};
    socklen_t length = sizeof(credentials);
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) {
        return -1;
    }
    return credentials.pid;
}

std::optional<PeerIdentity> PeerOf(int fd) {
    ucred credentials{};
    socklen_t length = sizeof(credentials);
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) {
        return std::nullopt;
    }
    return PeerIdentity{credentials.pid, credentials.uid};
}

}  // namespace vorn::platform
