#include "agent/AgentEventPipe.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/ProgramLog.h"

namespace vorn {

namespace {

// One connection is read for at most this much in a row, so that a fast large message does not
// keep the others waiting.
constexpr std::size_t kBytesPerTurn = 1024 * 1024;
// After an accept failed for want of descriptors or memory, the next try waits this long.
constexpr std::chrono::milliseconds kAcceptRetryPause{100};

int MillisecondsUntil(platform::Deadline deadline, platform::Deadline now) {
    if (deadline <= now) {
        return 0;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    // Round up so that the wake-up never comes a fraction of a millisecond early.
    return static_cast<int>(std::min<long long>(left.count() + 1, 1 << 30));
}

}  // namespace

platform::PipeStatus AgentEventPipe::Create() {
    Close();
    platform::PipeStatus status = platform::PipeStatus::Failed;
    listener_ = platform::PipeListener::Listen(kPipeName, &status);
    return status;
}

AgentEventPipe::WaitOutcome AgentEventPipe::WaitForClient(const platform::StopSignal& stop) {
    if (!listener_.IsListening()) {
        return WaitOutcome::NoClient;
    }
    if (leftAt_) {
        // While the caller handled the last message nobody was read: that time is not theirs.
        const auto away = platform::Clock::now() - *leftAt_;
        for (auto& connection : connections_) {
            connection.deadline += away;
        }
        leftAt_.reset();
    }
    std::vector<pollfd> fds;
    for (;;) {
        if (!finished_.empty()) {
            leftAt_ = platform::Clock::now();
            return WaitOutcome::ClientConnected;
        }
        fds.clear();
        fds.push_back({stop.native(), POLLIN, 0});
        fds.push_back({listener_.fd(), POLLIN, 0});
        int timeout = -1;  // nothing open: wait for ever, no periodic wake-up
        const auto before = platform::Clock::now();
        if (acceptPausedUntil_ && before < *acceptPausedUntil_) {
            fds[1].fd = -1;  // poll passes over it
            timeout = MillisecondsUntil(*acceptPausedUntil_, before);
        } else {
            acceptPausedUntil_.reset();
        }
        for (const auto& connection : connections_) {
            fds.push_back({connection.fd.get(), POLLIN, 0});
            const int left = MillisecondsUntil(connection.deadline, before);
            timeout = timeout < 0 ? left : std::min(timeout, left);
        }
        const int rc = ::poll(fds.data(), fds.size(), timeout);
        if (rc < 0) {
            if (errno == EINTR) {
                continue;
            }
            leftAt_ = platform::Clock::now();
            return WaitOutcome::NoClient;
        }
        if (fds[0].revents & POLLIN) {
            leftAt_ = platform::Clock::now();
            return WaitOutcome::Stopped;
        }
        const auto now = platform::Clock::now();
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            AcceptWaiting(now);
        }
        ReadAll(now);
        for (auto& connection : connections_) {
            if (!connection.ended && connection.deadline <= now) {
                End(connection, Ending::TimedOut);
            }
        }
        RemoveEnded();
    }
}

void AgentEventPipe::ReadAll(platform::Deadline now) {
    // Every connection that has something, as it is now, oldest first: a writer that ended one
    // message before it connected again is then always seen to have ended the first one first, so
    // that messages come out in the order their writers ended them. One look at all of them (poll
    // without waiting) costs less than a read of each.
    ready_.clear();
    for (const auto& connection : connections_) {
        ready_.push_back({connection.ended ? -1 : connection.fd.get(), POLLIN, 0});
    }
    if (::poll(ready_.data(), ready_.size(), 0) <= 0) {
        return;
    }
    for (std::size_t i = 0; i < connections_.size(); ++i) {
        if (!connections_[i].ended && (ready_[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            ReadFrom(connections_[i], now);
        }
    }
}

void AgentEventPipe::AcceptWaiting(platform::Deadline now) {
    // A bounded number per pass, so that the open connections are read between bursts.
    for (std::size_t accepted = 0; accepted < kMaxConnections; ++accepted) {
        platform::UniqueFd fd(
            ::accept4(listener_.fd(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (!fd) {
            // Out of descriptors or memory, the waiting client stays queued and the listening
            // socket readable: it is left out of the wait for a moment instead of spinning.
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR &&
                errno != ECONNABORTED) {
                acceptPausedUntil_ = now + kAcceptRetryPause;
            }
            return;
        }
        if (!Trusted(fd.get(), now)) {
            continue;
        }
        if (connections_.size() >= kMaxConnections) {
            // What has arrived is taken first, so that the idlest is truly idle and a message
            // that is already there is never pushed out unread.
            ReadAll(now);
            RemoveEnded();
            if (connections_.size() >= kMaxConnections) {
                PushOutIdlest();
            }
        }
        Connection& connection = connections_.emplace_back();
        connection.fd = std::move(fd);
        connection.deadline = now + kReadTimeout;
        connection.lastActivity = now;
    }
}

bool AgentEventPipe::Trusted(int fd, platform::Deadline now) {
    const auto peer = platform::PeerOf(fd);
    if (peer && IsTrustedUser(peer->uid, ::geteuid())) {
        return true;
    }
    ++unloggedRefusedPeers_;
    if (!lastRefusedPeerLog_ || now - *lastRefusedPeerLog_ >= kRefusedPeerLogInterval) {
        platform::ProgramLog(
            "event channel: %zu connection(s) of another user refused, the last from user %d "
            "(process %d)",
            unloggedRefusedPeers_, peer ? static_cast<int>(peer->uid) : -1, peer ? peer->pid : -1);
        lastRefusedPeerLog_ = now;
        unloggedRefusedPeers_ = 0;
    }
    return false;
}

void AgentEventPipe::ReadFrom(Connection& connection, platform::Deadline now) {
    std::size_t thisTurn = 0;
    while (!connection.ended && thisTurn < kBytesPerTurn) {
        const ssize_t got = ::recv(connection.fd.get(), chunk_.data(), chunk_.size(), MSG_DONTWAIT);
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
        const bool pastTheCapBefore = connection.received > platform::kMaxMessageBytes;
        connection.received += bytes;
        if (pastTheCapBefore) {
            continue;  // only counted: the kept beginning was cut when the cap was crossed
        }
        connection.text.append(chunk_.data(), bytes);
        if (connection.received > platform::kMaxMessageBytes) {
            // Past the cap only the beginning is kept and the rest counted, so that the refusal
            // can say how large the message was and what it began with.
            connection.text.resize(std::min(connection.text.size(), platform::kRefusedHeadBytes));
            connection.text.shrink_to_fit();
        }
    }
}

void AgentEventPipe::End(Connection& connection, Ending how) {
    connection.ended = true;
    connection.fd.reset();
    if (connection.received > platform::kMaxMessageBytes) {
        // Refused whether it ended or was cut off: what arrived is already past the cap.
        platform::ProgramLog("event channel: a message of %s%zu bytes refused (limit %zu)",
                             how == Ending::EndOfStream ? "" : "at least ", connection.received,
                             platform::kMaxMessageBytes);
        finished_.push_back({std::move(connection.text), connection.received});
    } else if (how == Ending::EndOfStream) {
        finished_.push_back({std::move(connection.text), 0});
    }
    std::string().swap(connection.text);
}

void AgentEventPipe::PushOutIdlest() {
    auto idlest = std::min_element(
        connections_.begin(), connections_.end(),
        [](const Connection& a, const Connection& b) { return a.lastActivity < b.lastActivity; });
    if (idlest != connections_.end()) {
        End(*idlest, Ending::PushedOut);
        connections_.erase(idlest);
    }
}

void AgentEventPipe::RemoveEnded() {
    std::erase_if(connections_, [](const Connection& c) { return c.ended; });
}

bool AgentEventPipe::ReadMessage(std::string& text, const platform::StopSignal& /*stop*/,
                                 std::size_t* refusedBytes) {
    text.clear();
    if (refusedBytes) {
        *refusedBytes = 0;
    }
    if (finished_.empty()) {
        return false;
    }
    Finished message = std::move(finished_.front());
    finished_.pop_front();
    if (message.refusedBytes > 0) {
        if (refusedBytes) {
            *refusedBytes = message.refusedBytes;
            text = std::move(message.text);
        }
        return false;
    }
    text = std::move(message.text);
    return true;
}

void AgentEventPipe::Close() {
    connections_.clear();
    finished_.clear();
    leftAt_.reset();
    acceptPausedUntil_.reset();
    listener_.Close();
}

}  // namespace vorn
