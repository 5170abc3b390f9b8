#pragma once

// The server end of a pipe on which clients connect, write one message and leave. Every open
// connection is read at the same time as the others and as new connections arrive, so that a
// client that connects and stays silent (or trickles) holds back nobody but itself; messages
// come out in the order they are completed. Only this machine's clients of the same user, the
// administrators and the system may connect.

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/LocalPipe.h"
#include "platform/StopSignal.h"

namespace vorn::platform {

class EventPipeServer {
public:
    // A connection that has not delivered its whole message this long after it was accepted is
    // dropped. Time spent outside WaitForMessage (handling a message) does not count.
    static constexpr std::chrono::milliseconds kReadTimeout{5000};
    // At most this many connections are open at once; a new one beyond pushes out the one that
    // has been idle longest.
    static constexpr std::size_t kMaxConnections = 64;
    // A peer of another user is refused; the log says so at most this often.
    static constexpr std::chrono::minutes kRefusedPeerLogInterval{1};

    enum class WaitOutcome {
        MessageReady,  // ReadMessage has a message (or a refusal) to give
        Stopped,       // the stop signal was raised
        Failed,        // the wait itself failed; try again after a pause
    };

    EventPipeServer();
    ~EventPipeServer();
    EventPipeServer(const EventPipeServer&) = delete;
    EventPipeServer& operator=(const EventPipeServer&) = delete;

    // Starts serving `name` (closing what was open before). AddressInUse when another process
    // serves the name.
    PipeStatus Create(std::string_view name);
    bool IsCreated() const;

    // Serves new and open connections until one connection has ended its message (or had it
    // refused for its size). Waits without any periodic wake-up while no connection is open.
    WaitOutcome WaitForMessage(const StopSignal& stop);

    // The next completed message, whatever its length up to kMaxMessageBytes; a client that left
    // without writing sent an empty message. False when there is none, or the message was too
    // large: that one is logged, `refusedBytes` (when given) receives its size and `text` its
    // beginning.
    bool ReadMessage(std::string& text, std::size_t* refusedBytes = nullptr);

    // Connections open now (accepted and not yet ended).
    std::size_t OpenConnections() const;

    void Close();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace vorn::platform
