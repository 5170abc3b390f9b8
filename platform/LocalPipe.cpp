#include "platform/LocalPipe.h"

#include <utility>

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

PipeListener::PipeListener(PipeHandle listening, std::string name)
    : handle_(std::move(listening)), name_(std::move(name)) {}

}  // namespace vorn::platform
