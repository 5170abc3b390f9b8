#include "platform/EventPipeServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <deque>
#include <optional>
#include <vector>

#include "platform/EventPipeMessages.h"
#include "platform/ProgramLog.h"
#include "platform/linux/LocalSocket.h"

namespace vorn::platform {

namespace {

// One connection is read for at most this much in a row, so that a fast large message does not
// keep the others waiting.
constexpr std::size_t kBytesPerTurn = 1024 * 1024;
// After an accept failed for want of descriptors or memory, the next try waits this long.
constexpr std::chrono::milliseconds kAcceptRetryPause{100};

int MillisecondsUntil(Deadline deadline, Deadline now) {
    if (deadline <= now) {
        return 0;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    // Round up so that the wake-up never comes a fraction of a millisecond early.
    return static_cast<int>(std::min<long long>(left.count() + 1, 1 << 30));
}

// A peer is served when it runs as the same user as this program, or as the administrator (the
// agent may run as a system service).
bool IsTrustedUser(unsigned peerUser, unsigned ownUser) {
    return peerUser == ownUser || peerUser == 0;
}

}  // namespace

struct EventPipeServer::State {
    struct Connection {
        UniqueFd fd;
        std::string text;
        std::size_t received = 0;  // every byte, also past the cap
        Deadline deadline;
        Deadline lastActivity;
        bool ended = false;
    };
    enum class Ending { EndOfStream, Broken, TimedOut, PushedOut };

    PipeStatus Create(std::string_view name);
    WaitOutcome WaitForMessage(const StopSignal& stop);
    bool ReadMessage(std::string& text, std::size_t* refusedBytes);
    void Close();

    void AcceptWaiting(Deadline now);
    void ReadAll(Deadline now);
    bool Trusted(int fd, Deadline now);
    void ReadFrom(Connection& connection, Deadline now);
    void End(Connection& connection, Ending how);
    void PushOutIdlest();
    void RemoveEnded();

    PipeListener listener;
    std::vector<Connection> connections;
    detail::EventPipeMessages finished;
    // When WaitForMessage last returned: the time until it is called again is not counted
    // against the open connections.
    std::optional<Deadline> leftAt;
    std::optional<Deadline> acceptPausedUntil;
    std::optional<Deadline> lastRefusedPeerLog;
    std::size_t unloggedRefusedPeers = 0;
    std::vector<pollfd> ready;
    std::array<char, 64 * 1024> chunk{};
};

EventPipeServer::EventPipeServer() : state_(std::make_unique<State>()) {}

EventPipeServer::~EventPipeServer() = default;

PipeStatus EventPipeServer::Create(std::string_view name) {
    return state_->Create(name);
}

bool EventPipeServer::IsCreated() const {
    return state_->listener.IsListening();
}

EventPipeServer::WaitOutcome EventPipeServer::WaitForMessage(const StopSignal& stop) {
    return state_->WaitForMessage(stop);
}

bool EventPipeServer::ReadMessage(std::string& text, std::size_t* refusedBytes) {
    return state_->ReadMessage(text, refusedBytes);
}

std::size_t EventPipeServer::OpenConnections() const {
    return state_->connections.size();
}

void EventPipeServer::Close() {
    state_->Close();
}

PipeStatus EventPipeServer::State::Create(std::string_view name) {
    Close();
    PipeStatus status = PipeStatus::Failed;
    listener = PipeListener::Listen(name, &status);
    return status;
}

EventPipeServer::WaitOutcome EventPipeServer::State::WaitForMessage(const StopSignal& stop) {
    if (!listener.IsListening()) {
        return WaitOutcome::Failed;
    }
    if (leftAt) {
        // While the caller handled the last message nobody was read: that time is not theirs.
        const auto away = Clock::now() - *leftAt;
        for (auto& connection : connections) {
            connection.deadline += away;
        }
        leftAt.reset();
    }
    std::vector<pollfd> fds;
    for (;;) {
        if (!finished.empty()) {
            leftAt = Clock::now();
            return WaitOutcome::MessageReady;
        }
        fds.clear();
        fds.push_back({stop.native(), POLLIN, 0});
        fds.push_back({listener.native(), POLLIN, 0});
        int timeout = -1;  // nothing open: wait for ever, no periodic wake-up
        const auto before = Clock::now();
        if (acceptPausedUntil && before < *acceptPausedUntil) {
            fds[1].fd = -1;  // poll passes over it
            timeout = MillisecondsUntil(*acceptPausedUntil, before);
        } else {
            acceptPausedUntil.reset();
        }
        for (const auto& connection : connections) {
            fds.push_back({connection.fd.get(), POLLIN, 0});
            const int left = MillisecondsUntil(connection.deadline, before);
            timeout = timeout < 0 ? left : std::min(timeout, left);
        }
        const int rc = ::poll(fds.data(), fds.size(), timeout);
        if (rc < 0) {
            if (errno == EINTR) {
                continue;
            }
            leftAt = Clock::now();
            return WaitOutcome::Failed;
        }
        if (fds[0].revents & POLLIN) {
            leftAt = Clock::now();
            return WaitOutcome::Stopped;
        }
        const auto now = Clock::now();
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            AcceptWaiting(now);
        }
        ReadAll(now);
        for (auto& connection : connections) {
            if (!connection.ended && connection.deadline <= now) {
                End(connection, Ending::TimedOut);
            }
        }
        RemoveEnded();
    }
}

void EventPipeServer::State::ReadAll(Deadline now) {
    // Every connection that has something, as it is now, oldest first: a writer that ended one
    // message before it connected again is then always seen to have ended the first one first, so
    // that messages come out in the order their writers ended them. One look at all of them (poll
    // without waiting) costs less than a read of each.
    ready.clear();
    for (const auto& connection : connections) {
        ready.push_back({connection.ended ? -1 : connection.fd.get(), POLLIN, 0});
    }
    if (::poll(ready.data(), ready.size(), 0) <= 0) {
        return;
    }
    for (std::size_t i = 0; i < connections.size(); ++i) {
        if (!connections[i].ended && (ready[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            ReadFrom(connections[i], now);
        }
    }
}

void EventPipeServer::State::AcceptWaiting(Deadline now) {
    // A bounded number per pass, so that the open connections are read between bursts.
    for (std::size_t accepted = 0; accepted < kMaxConnections; ++accepted) {
        UniqueFd fd(::accept4(listener.native(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (!fd) {
            // Out of descriptors or memory, the waiting client stays queued and the listening
            // socket readable: it is left out of the wait for a moment instead of spinning.
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR &&
                errno != ECONNABORTED) {
                acceptPausedUntil = now + kAcceptRetryPause;
            }
            return;
        }
        if (!Trusted(fd.get(), now)) {
            continue;
        }
        if (connections.size() >= kMaxConnections) {
            // What has arrived is taken first, so that the idlest is truly idle and a message
            // that is already there is never pushed out unread.
            ReadAll(now);
            RemoveEnded();
            if (connections.size() >= kMaxConnections) {
                PushOutIdlest();
            }
        }
        Connection& connection = connections.emplace_back();
        connection.fd = std::move(fd);
        connection.deadline = now + kReadTimeout;
        connection.lastActivity = now;
    }
}

bool EventPipeServer::State::Trusted(int fd, Deadline now) {
    const auto peer = PeerOf(fd);
    if (peer && IsTrustedUser(peer->uid, ::geteuid())) {
        return true;
    }
    ++unloggedRefusedPeers;
    if (!lastRefusedPeerLog || now - *lastRefusedPeerLog >= kRefusedPeerLogInterval) {
        ProgramLog(
            "event channel: %zu connection(s) of another user refused, the last from user %d "
            "(process %d)",
            unloggedRefusedPeers, peer ? static_cast<int>(peer->uid) : -1, peer ? peer->pid : -1);
        lastRefusedPeerLog = now;
        unloggedRefusedPeers = 0;
    }
    return false;
}

void EventPipeServer::State::ReadFrom(Connection& connection, Deadline now) {
    std::size_t thisTurn = 0;
    while (!connection.ended && thisTurn < kBytesPerTurn) {
        const ssize_t got = ::recv(connection.fd.get(), chunk.data(), chunk.size(), MSG_DONTWAIT);
        if (got == 0) {
            End(connection, Ending::EndOfStream);
            return;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (errno != EAGAIN) {
                End(connection, Ending::Broken);
            }
            return;
        }
        const auto bytes = static_cast<std::size_t>(got);
        thisTurn += bytes;
        connection.lastActivity = now;
        const bool pastTheCapBefore = connection.received > kMaxMessageBytes;
        connection.received += bytes;
        if (pastTheCapBefore) {
            continue;  // only counted: the kept beginning was cut when the cap was crossed
        }
        connection.text.append(chunk.data(), bytes);
        if (connection.received > kMaxMessageBytes) {
            // Past the cap only the beginning is kept and the rest counted, so that the refusal
            // can say how large the message was and what it began with.
            connection.text.resize(std::min(connection.text.size(), kRefusedHeadBytes));
            connection.text.shrink_to_fit();
        }
    }
}

void EventPipeServer::State::End(Connection& connection, Ending how) {
    connection.ended = true;
    connection.fd.reset();
    finished.ConnectionEnded(connection.text, connection.received, how == Ending::EndOfStream);
}

void EventPipeServer::State::PushOutIdlest() {
    auto idlest = std::min_element(
        connections.begin(), connections.end(),
        [](const Connection& a, const Connection& b) { return a.lastActivity < b.lastActivity; });
    if (idlest != connections.end()) {
        End(*idlest, Ending::PushedOut);
        connections.erase(idlest);
    }
}

void EventPipeServer::State::RemoveEnded() {
    std::erase_if(connections, [](const Connection& c) { return c.ended; });
}

bool EventPipeServer::State::ReadMessage(std::string& text, std::size_t* refusedBytes) {
    return finished.Take(text, refusedBytes);
}

void EventPipeServer::State::Close() {
    connections.clear();
    finished.clear();
    leftAt.reset();
    acceptPausedUntil.reset();
    listener.Close();
}

}  // namespace vorn::platform
