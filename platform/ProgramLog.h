#pragma once

// The program log as seen from the layers below the logger: they report what the operator
// does not see (a refused message, a bound reached) through here, and the application points
// this at its logger. Without a sink the lines go to standard error.

#include <functional>
#include <string>

namespace vorn::platform {

using ProgramLogSink = std::function<void(const std::string& line)>;

// Replaces the sink; an empty one restores standard error. Safe from any thread.
void SetProgramLogSink(ProgramLogSink sink);

#if defined(_WIN32)
// MinGW's own printf (C99 formats such as %zu) formats the line, not the system library's.
void ProgramLog(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
#else
void ProgramLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
#endif

}  // namespace vorn::platform
