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

    // Reads the connected client's message whole, whatever its length. False when the client
    // left without writing, took too long, or the stop signal was raised.
    bool ReadMessage(std::string& text, const platform::StopSignal& stop);

    void Close();

private:
    platform::PipeListener listener_;
    platform::UniqueFd client_;
};

}  // namespace vorn
