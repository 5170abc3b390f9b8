#include "agent/EventChannelWorker.h"

#include <chrono>
#include <exception>
#include <utility>

#include "agent/AgentEventPipe.h"

namespace vorn {

namespace {
// After a failed accept (out of descriptors, for example) the next attempt waits this long, so
// that a lasting failure does not turn into a busy loop.
constexpr std::chrono::milliseconds kRetryPause{100};
}  // namespace

EventChannelWorker::EventChannelWorker(MessageHandler onMessage, FailureHandler onFailure)
    : onMessage_(std::move(onMessage)), onFailure_(std::move(onFailure)) {}

EventChannelWorker::~EventChannelWorker() {
    Stop();
}

void EventChannelWorker::Start() {
    if (thread_.joinable()) {
        return;
    }
    stop_.Clear();
    thread_ = std::thread([this] { Run(); });
}

void EventChannelWorker::RequestStop() {
    stop_.Signal();
}

void EventChannelWorker::Stop() {
    stop_.Signal();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void EventChannelWorker::Run() {
    AgentEventPipe pipe;
    if (pipe.Create() != platform::PipeStatus::Ok) {
        if (onFailure_) {
            onFailure_(kCreateFailedText);
        }
        return;
    }
    std::string message;
    while (!stop_.IsSignalled()) {
        switch (pipe.WaitForClient(stop_)) {
            case AgentEventPipe::WaitOutcome::Stopped:
                return;
            case AgentEventPipe::WaitOutcome::NoClient:
                platform::WaitReadable(stop_.fd(), nullptr, platform::Clock::now() + kRetryPause);
                continue;
            case AgentEventPipe::WaitOutcome::ClientConnected:
                break;
        }
        if (pipe.ReadMessage(message, stop_) && !message.empty() && onMessage_) {
            try {
                onMessage_(message);
            } catch (const std::exception&) {
                // An exception leaving this thread would end the program; one message that
                // could not be handled must not cost all the following ones.
            }
        }
    }
}

}  // namespace vorn
