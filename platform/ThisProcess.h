#pragma once

// The running process and its threads as the system numbers them.

#include <cstdint>
#include <string>
#include <vector>

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

// An orderly end on an operator's request (SIGTERM or SIGINT on Linux; Ctrl+C, Ctrl+Break or the
// console closing on Windows): TakeTerminationRequests, called before any thread starts, keeps
// those requests from ending the process at once; WaitForTerminationRequest then blocks the
// calling thread until one arrives.
void TakeTerminationRequests();
void WaitForTerminationRequest();

// Asks another of our processes for that orderly end: SIGTERM on Linux; on Windows the event
// that TakeTerminationRequests made for the process (consoles do not reach every process), else
// Ctrl+Break to its process group. False when the request could not be delivered.
bool RequestTermination(ProcessId process);

// The command line's arguments after the program's name, as UTF-8. On Windows they are read
// from the wide command line, so that a file name in any script survives; `argv` holds them in
// the ANSI code page there.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Standard input, output and error carry bytes as they are: no line-end translation on Windows,
// so that a tool's text is the same on every platform.
void UseBinaryStandardStreams();

}  // namespace vorn::platform
