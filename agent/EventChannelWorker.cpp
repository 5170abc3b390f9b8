#include "agent/EventChannelWorker.h"

#include <chrono>
#include <exception>
#include <utility>

#include "agent/AgentEventPipe.h"

namespace vorn {

namespace {
// After a failed wait (out of memory, for example) the next attempt waits this long, so
// that a lasting failure does not turn into a busy loop.
constexpr std::chrono::milliseconds kRetryPause{100};
constexpr std::size_t kKeptBufferBytes = 1024 * 1024;
}  // namespace

EventChannelWorker::EventChannelWorker(MessageHandler onMessage, FailureHandler onFailure,
                                       RefusalHandler onRefused)
    : onMessage_(std::move(onMessage)),
      onFailure_(std::move(onFailure)),
      onRefused_(std::move(onRefused)) {}

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
                stop_.WaitFor(kRetryPause);
                continue;
            case AgentEventPipe::WaitOutcome::ClientConnected:
                break;
        }
        std::size_t refusedBytes = 0;
        const bool read = pipe.ReadMessage(message, stop_, &refusedBytes);
        const MessageHandler* handler = nullptr;
        if (read && !message.empty() && onMessage_) {
            handler = &onMessage_;
        } else if (refusedBytes > 0 && onRefused_) {
            handler = &onRefused_;
        }
        if (handler != nullptr) {
            try {
                (*handler)(message);
            } catch (const std::exception&) {
                // An exception leaving this thread would end the program; one message that
                // could not be handled must not cost all the following ones.
            }
        }
        // A large message (a RAM file) is rare: its buffer is not kept for weeks.
        if (message.capacity() > kKeptBufferBytes) {
            std::string().swap(message);
        }
    }
}

}  // namespace vorn
