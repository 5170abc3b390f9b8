#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "platform/LocalPipe.h"

namespace vorn {

// The server end of the event pipe, on which the agent connects, writes one notification and
// leaves. One connection carries one message; the previous client is let go before the next
// one is accepted.
class AgentEventPipe {
public:
    static constexpr std::string_view kPipeName = "ws-quorin-vorn02";

    // A client that connects and then neither writes nor leaves is dropped after this long, so
    // that it cannot hold back the notifications of everyone else.
    static constexpr std::chrono::milliseconds kReadTimeout{5000};

    enum class WaitOutcome { ClientConnected, Stopped, NoClient };

    AgentEventPipe() = default;
    AgentEventPipe(const AgentEventPipe&) = delete;
    AgentEventPipe& operator=(const AgentEventPipe&) = delete;
    ~AgentEventPipe() { Close(); }

    // Starts listening on the event address (closing what was open before). AddressInUse when
    // another process serves the name.
    platform::PipeStatus Create();
    bool IsCreated() const { return listener_.IsListening(); }

    // Lets the previous client go, then waits, without any periodic wake-up, for the next
    // client or the stop signal. NoClient: the accept failed this time; try again.
    WaitOutcome WaitForClient(const platform::StopSignal& stop);

    // Reads the connected client's message whole, up to the end of its stream, whatever its
    // length up to platform::kMaxMessageBytes. A client that leaves without writing sent an
    // empty message. False when the client reset the connection, took too long, the stop
    // signal was raised, or the message was too large: that one is logged, `refusedBytes`
    // (when given) receives its size and `text` its beginning.
    bool ReadMessage(std::string& text, const platform::StopSignal& stop,
                     std::size_t* refusedBytes = nullptr);

    void Close();

private:
    platform::PipeListener listener_;
    platform::UniqueFd client_;
};

}  // namespace vorn
