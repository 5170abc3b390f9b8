#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/EventPipeServer.h"
#include "platform/LocalPipe.h"

namespace vorn {

// The server end of the event pipe, on which the agent connects, writes one notification and
// leaves. One connection carries one message. Every open connection is read at the same time as
// the others, so that a peer that connects and stays silent (or trickles) holds back nobody but
// itself; messages come out in the order they are completed.
class AgentEventPipe {
public:
    static constexpr std::string_view kPipeName = "ws-quorin-vorn02";

    // A connection that has not delivered its whole message this long after it was accepted is
    // dropped. Time spent outside WaitForClient (handling a message) does not count.
    static constexpr std::chrono::milliseconds kReadTimeout =
        platform::EventPipeServer::kReadTimeout;
    // At most this many connections are open at once; a new one beyond pushes out the one that
    // has been idle longest.
    static constexpr std::size_t kMaxConnections = platform::EventPipeServer::kMaxConnections;

    enum class WaitOutcome { ClientConnected, Stopped, NoClient };

    AgentEventPipe() = default;
    AgentEventPipe(const AgentEventPipe&) = delete;
    AgentEventPipe& operator=(const AgentEventPipe&) = delete;
    ~AgentEventPipe() { Close(); }

    // Starts serving the event pipe (closing what was open before). AddressInUse when another
    // process serves the name.
    platform::PipeStatus Create() { return server_.Create(kPipeName); }
    bool IsCreated() const { return server_.IsCreated(); }

    // Serves the pipe and every open connection until one connection has ended its message (or
    // had it refused for its size), then returns ClientConnected and ReadMessage gives that
    // message. Waits without any periodic wake-up while no connection is open. Stopped on the
    // stop signal; NoClient when the wait itself failed (try again).
    WaitOutcome WaitForClient(const platform::StopSignal& stop);

    // The message WaitForClient completed, whatever its length up to platform::kMaxMessageBytes;
    // a client that left without writing sent an empty message. False when there is none, or
    // the message was too large: that one is logged, `refusedBytes` (when given) receives its
    // size and `text` its beginning.
    bool ReadMessage(std::string& text, const platform::StopSignal& stop,
                     std::size_t* refusedBytes = nullptr);

    // Connections open now (accepted and not yet ended).
    std::size_t OpenConnections() const { return server_.OpenConnections(); }

    void Close() { server_.Close(); }

private:
    platform::EventPipeServer server_;
};

}  // namespace vorn
