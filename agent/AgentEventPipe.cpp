#include "agent/AgentEventPipe.h"

#include "platform/ProgramLog.h"

namespace vorn {

platform::PipeStatus AgentEventPipe::Create() {
    Close();
    platform::PipeStatus status = platform::PipeStatus::Failed;
    listener_ = platform::PipeListener::Listen(kPipeName, &status);
    return status;
}

AgentEventPipe::WaitOutcome AgentEventPipe::WaitForClient(const platform::StopSignal& stop) {
    client_.reset();
    platform::WaitResult result = platform::WaitResult::Failed;
    client_ = listener_.Accept(&stop, std::nullopt, &result);
    if (client_) {
        return WaitOutcome::ClientConnected;
    }
    return result == platform::WaitResult::Stopped ? WaitOutcome::Stopped : WaitOutcome::NoClient;
}

bool AgentEventPipe::ReadMessage(std::string& text, const platform::StopSignal& stop,
                                 std::size_t* refusedBytes) {
    text.clear();
    if (refusedBytes) {
        *refusedBytes = 0;
    }
    if (!client_) {
        return false;
    }
    std::size_t bytes = 0;
    const auto status =
        platform::ReceiveRecord(client_.get(), text, platform::Clock::now() + kReadTimeout, &stop,
                                platform::kMaxMessageBytes, &bytes);
    if (status == platform::PipeStatus::TooLarge) {
        platform::ProgramLog("event channel: a message of %zu bytes refused (limit %zu)", bytes,
                             platform::kMaxMessageBytes);
        client_.reset();
        if (refusedBytes) {
            *refusedBytes = bytes;
            return false;
        }
        text.clear();
        return false;
    }
    if (status != platform::PipeStatus::Ok) {
        text.clear();
        client_.reset();
        return false;
    }
    return true;
}

void AgentEventPipe::Close() {
    client_.reset();
    listener_.Close();
}

}  // namespace vorn
