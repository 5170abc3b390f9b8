#pragma once

// The local server that the request-channel bench and its platform's baseline both call.

#include <atomic>
#include <cstddef>
#include <thread>

#include "platform/LocalPipe.h"

namespace vorn::bench {

// Answers every request on the request pipe with a reply of the set size until the process
// ends; the pipe namespace is the process's own.
class EchoAgent {
public:
    EchoAgent();
    ~EchoAgent();
    void SetReplySize(std::size_t size) { replySize_ = size; }

private:
    void Serve();

    platform::PipeListener listener_;
    platform::StopSignal stop_;
    std::atomic<std::size_t> replySize_{64};
    std::thread thread_;
};

EchoAgent& Agent();

}  // namespace vorn::bench
