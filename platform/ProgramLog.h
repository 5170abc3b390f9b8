#pragma once

// The program log as seen from the layers below the logger: they report what the operator
// does not see (a refused message, a bound reached) through here, and the application points
// this at its logger. Without a sink the lines go to standard error.

#include <functional>
#include <string>

// printf-style checking of a function's format: MinGW's plain "printf" means the Microsoft
// runtime's dialect, while the program formats with the C99 one (%zu, %lld).
#if defined(__MINGW32__)
#define VORN_PRINTF_FORMAT(fmt, first) __attribute__((format(gnu_printf, fmt, first)))
#else
#define VORN_PRINTF_FORMAT(fmt, first) __attribute__((format(printf, fmt, first)))
#endif

namespace vorn::platform {

using ProgramLogSink = std::function<void(const std::string& line)>;

// Replaces the sink; an empty one restores standard error. Safe from any thread.
void SetProgramLogSink(ProgramLogSink sink);

void ProgramLog(const char* format, ...) VORN_PRINTF_FORMAT(1, 2);

}  // namespace vorn::platform
