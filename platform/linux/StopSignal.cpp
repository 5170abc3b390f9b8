#include "platform/StopSignal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

namespace vorn::platform {

StopSignal::StopSignal() : handle_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (handle_ < 0) {
        throw std::runtime_error(std::string("eventfd: ") + std::strerror(errno));
    }
}

StopSignal::~StopSignal() {
    ::close(handle_);
}

void StopSignal::Signal() {
    const std::uint64_t one = 1;
    // The counter only saturates after 2^64 signals; a failed write means it is already set.
    [[maybe_unused]] const ssize_t written = ::write(handle_, &one, sizeof(one));
}

void StopSignal::Clear() {
    std::uint64_t value = 0;
    [[maybe_unused]] const ssize_t got = ::read(handle_, &value, sizeof(value));
}

bool StopSignal::IsSignalled() const {
    pollfd p{handle_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN) != 0;
}

bool StopSignal::WaitFor(std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        pollfd p{handle_, POLLIN, 0};
        const int rc = ::poll(&p, 1, static_cast<int>(std::clamp<long long>(left, 0, 1 << 30)));
        if (rc > 0) {
            return (p.revents & POLLIN) != 0;
        }
        if (rc == 0 || errno != EINTR) {
            return false;
        }
    }
}

}  // namespace vorn::platform
