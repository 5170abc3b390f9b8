#include "platform/ProgramLog.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <vector>

namespace vorn::platform {
namespace {

std::mutex& SinkMutex() {
    static std::mutex mutex;
    return mutex;
}

ProgramLogSink& Sink() {
    static ProgramLogSink sink;
    return sink;
}

}  // namespace

void SetProgramLogSink(ProgramLogSink sink) {
    std::lock_guard lock(SinkMutex());
    Sink() = std::move(sink);
}

void ProgramLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string line;
    if (length > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        line.assign(buffer.data(), static_cast<std::size_t>(length));
    }
    va_end(args);
    // The sink runs under the lock, so that it cannot be replaced (and its logger destroyed)
    // while a line is on its way.
    std::lock_guard lock(SinkMutex());
    if (Sink()) {
        Sink()(line);
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

}  // namespace vorn::platform
