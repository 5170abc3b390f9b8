#pragma once

#include <poll.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/LocalPipe.h"

namespace vorn {

// The server end of the event pipe, on which the agent connects, writes one notification and
// leaves. One connection carries one message. Every open connection is read at the same time as
// the others and as the listening socket, so that a peer that connects and stays silent (or
// trickles) holds back nobody but itself; messages come out in the order they are completed.
class AgentEventPipe {
public:
    static constexpr std::string_view kPipeName = "ws-quorin-vorn02";

    // A connection that has not delivered its whole message this long after it was accepted is
    // dropped. Time spent outside WaitForClient (handling a message) does not count.
    static constexpr std::chrono::milliseconds kReadTimeout{5000};
    // At most this many connections are open at once; a new one beyond pushes out the one that
    // has been idle longest.
    static constexpr std::size_t kMaxConnections = 64;
    // A peer of another user is refused; the log says so at most this often.
    static constexpr std::chrono::minutes kRefusedPeerLogInterval{1};

    enum class WaitOutcome { ClientConnected, Stopped, NoClient };

    AgentEventPipe() = default;
    AgentEventPipe(const AgentEventPipe&) = delete;
    AgentEventPipe& operator=(const AgentEventPipe&) = delete;
    ~AgentEventPipe() { Close(); }

    // Starts listening on the event address (closing what was open before). AddressInUse when
    // another process serves the name.
    platform::PipeStatus Create();
    bool IsCreated() const { return listener_.IsListening(); }

    // Serves the listening socket and every open connection until one connection has ended its
    // message (or had it refused for its size), then returns ClientConnected and ReadMessage
    // gives that message. Waits without any periodic wake-up while no connection is open.
    // Stopped on the stop signal; NoClient when the wait itself failed (try again).
    WaitOutcome WaitForClient(const platform::StopSignal& stop);

    // The message WaitForClient completed, whatever its length up to platform::kMaxMessageBytes;
    // a client that left without writing sent an empty message. False when there is none, or
    // the message was too large: that one is logged, `refusedBytes` (when given) receives its
    // size and `text` its beginning.
    bool ReadMessage(std::string& text, const platform::StopSignal& stop,
                     std::size_t* refusedBytes = nullptr);

    // Connections open now (accepted and not yet ended).
    std::size_t OpenConnections() const { return connections_.size(); }

    void Close();

    // Whether a peer running as `peerUser` is served by a program running as `ownUser`: the
    // same user, or the administrator (the agent may run as a system service).
    static bool IsTrustedUser(unsigned peerUser, unsigned ownUser) {
        return peerUser == ownUser || peerUser == 0;
    }

private:
    struct Connection {
        platform::UniqueFd fd;
        std::string text;
        std::size_t received = 0;  // every byte, also past the cap
        platform::Deadline deadline;
        platform::Deadline lastActivity;
        bool ended = false;
    };
    struct Finished {
        std::string text;
        std::size_t refusedBytes = 0;
    };
    enum class Ending { EndOfStream, Broken, TimedOut, PushedOut };

    void AcceptWaiting(platform::Deadline now);
    void ReadAll(platform::Deadline now);
    bool Trusted(int fd, platform::Deadline now);
    void ReadFrom(Connection& connection, platform::Deadline now);
    void End(Connection& connection, Ending how);
    void PushOutIdlest();
    void RemoveEnded();

    platform::PipeListener listener_;
    std::vector<Connection> connections_;
    std::deque<Finished> finished_;
    // When WaitForClient last returned: the time until it is called again is not counted
    // against the open connections.
    std::optional<platform::Deadline> leftAt_;
    std::optional<platform::Deadline> acceptPausedUntil_;
    std::optional<platform::Deadline> lastRefusedPeerLog_;
    std::size_t unloggedRefusedPeers_ = 0;
    std::vector<pollfd> ready_;
    std::array<char, 64 * 1024> chunk_{};
};

}  // namespace vorn
