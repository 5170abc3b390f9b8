#pragma once

// The running process and its threads as the system numbers them.

#include <cstdint>

namespace vorn::platform {

// A process id: pid_t on Linux, DWORD on Windows; both fit.
using ProcessId = std::int64_t;
inline constexpr ProcessId kNoProcess = -1;

ProcessId CurrentProcessId();

// The calling thread's id as the system shows it (gettid, GetCurrentThreadId).
std::uint64_t CurrentThreadId();

// Moves the calling thread below normal priority, for background chores; a failure is harmless
// and not reported.
void LowerCurrentThreadPriority();

}  // namespace vorn::platform
