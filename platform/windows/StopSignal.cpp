#include "platform/StopSignal.h"

#include "platform/windows/WindowsApi.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace vorn::platform {

StopSignal::StopSignal() : handle_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    if (handle_ == nullptr) {
        throw std::runtime_error("CreateEventW failed: error " + std::to_string(::GetLastError()));
    }
}

StopSignal::~StopSignal() {
    ::CloseHandle(handle_);
}

void StopSignal::Signal() {
    ::SetEvent(handle_);
}

void StopSignal::Clear() {
    ::ResetEvent(handle_);
}

bool StopSignal::IsSignalled() const {
    return ::WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0;
}

bool StopSignal::WaitFor(std::chrono::milliseconds timeout) const {
    const auto ms = std::clamp<long long>(timeout.count(), 0, 0x7FFFFFFF);
    return ::WaitForSingleObject(handle_, static_cast<DWORD>(ms)) == WAIT_OBJECT_0;
}

}  // namespace vorn::platform
