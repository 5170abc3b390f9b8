#include "agent/AgentEventPipe.h"

namespace vorn {

AgentEventPipe::WaitOutcome AgentEventPipe::WaitForClient(const platform::StopSignal& stop) {
    if (!server_.IsCreated()) {
        return WaitOutcome::NoClient;
    }
    switch (server_.WaitForMessage(stop)) {
        case platform::EventPipeServer::WaitOutcome::MessageReady:
            return WaitOutcome::ClientConnected;
        case platform::EventPipeServer::WaitOutcome::Stopped:
            return WaitOutcome::Stopped;
        case platform::EventPipeServer::WaitOutcome::Failed:
            break;
    }
    return WaitOutcome::NoClient;
}

bool AgentEventPipe::ReadMessage(std::string& text, const platform::StopSignal& /*stop*/,
                                 std::size_t* refusedBytes) {
    return server_.ReadMessage(text, refusedBytes);
}

}  // namespace vorn
