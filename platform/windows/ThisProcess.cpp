#include "platform/ThisProcess.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace vorn::platform {

ProcessId CurrentProcessId() {
    return ::GetCurrentProcessId();
}

std::uint64_t CurrentThreadId() {
    return ::GetCurrentThreadId();
}

void LowerCurrentThreadPriority() {
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

}  // namespace vorn::platform
