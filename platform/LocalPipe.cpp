#include "platform/LocalPipe.h"

#include <algorithm>
#include <utility>

#include "platform/ReceiveVerdict.h"

namespace vorn::platform {

const char* ToString(PipeStatus status) {
    switch (status) {
        case PipeStatus::Ok:
            return "ok";
        case PipeStatus::NotFound:
            return "no listener";
        case PipeStatus::AddressInUse:
            return "address in use";
        case PipeStatus::TimedOut:
            return "timed out";
        case PipeStatus::Stopped:
            return "stopped";
        case PipeStatus::Closed:
            return "peer closed";
        case PipeStatus::TooLarge:
            return "record too large";
        case PipeStatus::Failed:
            return "system error";
    }
    return "unknown";
}

PipeHandle& PipeHandle::operator=(PipeHandle&& other) noexcept {
    if (this != &other) {
        reset(other.release());
    }
    return *this;
}

NativeHandle PipeHandle::release() {
    const NativeHandle handle = handle_;
    handle_ = kNoHandle;
    return handle;
}

// The same on every platform: what differs is how the three steps reach the system.
PipeStatus CallPipe(std::string_view name, std::string_view request, std::string& reply,
                    std::chrono::milliseconds timeout, std::size_t maxReplyBytes,
                    std::size_t* replyBytes) {
    reply.clear();
    if (replyBytes) {
        *replyBytes = 0;
    }
    const Deadline deadline = Clock::now() + timeout;
    PipeStatus status = PipeStatus::Failed;
    PipeHandle pipe = ConnectPipe(name, deadline, &status);
    if (!pipe) {
        return status;
    }
    status = SendRecord(pipe.get(), request, deadline);
    if (status != PipeStatus::Ok) {
        return status;
    }
    std::string received;
    status = ReceiveRecord(pipe.get(), received, deadline, nullptr, maxReplyBytes, replyBytes);
    if (status == PipeStatus::Ok) {
        reply = std::move(received);
    }
    return status;
}

namespace detail {

PipeStatus FinishReceive(PipeStatus status, std::string& out, bool refused, std::size_t total,
                         std::size_t* messageBytes) {
    if (messageBytes) {
        *messageBytes = total;
    }
    if (refused) {
        out.resize(std::min(out.size(), kRefusedHeadBytes));
        return status == PipeStatus::Ok || status == PipeStatus::TimedOut ||
                       status == PipeStatus::Closed
                   ? PipeStatus::TooLarge
                   : status;
    }
    if (status != PipeStatus::Ok) {
        out.clear();
    }
    return status;
}

}  // namespace detail

PipeListener::PipeListener(PipeHandle listening, std::string name)
    : handle_(std::move(listening)), name_(std::move(name)) {}

}  // namespace vorn::platform
